#!/usr/bin/env bash
# The native unit tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=../lib/build.sh
source scripts/lib/build.sh
build native-sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/native-sanitize -j2 --output-on-failure \
    --output-junit "$PLOVER_RESULTS_DIR/native-sanitize.xml"
