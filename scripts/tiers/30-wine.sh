#!/usr/bin/env bash
# The Windows builds: the shipped 32-bit program, and the 64-bit build whose
# tests run the real Win32 layer under Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build mingw-i686
build mingw-x86_64 all plover_wine_tests
ctest --test-dir build/mingw-x86_64 --output-on-failure --output-junit "$PLOVER_RESULTS_DIR/wine.xml"
