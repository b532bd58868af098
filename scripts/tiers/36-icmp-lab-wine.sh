#!/usr/bin/env bash
# The echo client under Wine inside a private router lab (no link to the
# host's network): an answering router, a prohibited network, a blackhole.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 plover_wine_tests
tests/lab/labs.sh icmp-wine build/mingw-x86_64
