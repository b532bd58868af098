#!/bin/sh
# Runs a peer program for a test with a bounded lifetime and leaves its pid
# in a file, so that the test can end it by that pid.
# Usage: run-peer.sh PIDFILE LIFETIME_SECONDS PROGRAM [ARG...]
pidfile=$1
lifetime=$2
shift 2
echo $$ >"$pidfile"
exec timeout "$lifetime" "$@"
