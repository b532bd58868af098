#!/usr/bin/env bash
# The DNS client under Wine against hostile responders in a private lab (no
# link to the host's network): one lookup per kind of bad reply, and their
# table (tests/lab/labs.sh hostile-dns).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset mingw-x86_64 >/dev/null
cmake --build build/mingw-x86_64 -j2 --target plover_wine_tests
tests/lab/labs.sh hostile-dns build/mingw-x86_64
