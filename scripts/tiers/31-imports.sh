#!/usr/bin/env bash
# The shipped programs start on the oldest Windows they are made for: the
# import judge's own tests, and its verdict on both builds (made by tier 30).
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
for preset in mingw-i686 mingw-x86_64; do
    build "$preset" PloverTool >/dev/null
done
python3 tests/imports/check_imports_test.py --junit "$PLOVER_RESULTS_DIR/imports.xml"
