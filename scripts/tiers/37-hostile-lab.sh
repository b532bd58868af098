#!/usr/bin/env bash
# The page check under Wine against a misbehaving web server in a private
# two-namespace lab (every class at once, about one minute), and the log and
# the run's other files on a full temporary folder (a 1 MiB tmpfs in a
# private mount namespace); both in tests/lab/labs.sh.
set -uo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 plover_wine_tests || exit 1
status=0
tests/lab/labs.sh hostile-web build/mingw-x86_64 || status=1
tests/lab/labs.sh full-temp build/mingw-x86_64 || status=1
exit $status
