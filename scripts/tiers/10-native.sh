#!/usr/bin/env bash
# Native unit tests: the logic against the in-memory Windows stand-in.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build native
ctest --test-dir build/native -j2 --output-on-failure --output-junit "$PLOVER_RESULTS_DIR/native.xml"
