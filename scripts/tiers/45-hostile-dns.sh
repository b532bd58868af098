#!/usr/bin/env bash
# The DNS client under Wine against hostile responders in a private lab (no
# link to the host's network): one lookup per kind of bad reply, and their
# table (tests/lab/labs.sh hostile-dns).
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-x86_64 plover_wine_tests
tests/lab/labs.sh hostile-dns build/mingw-x86_64
