#!/usr/bin/env bash
# Measures the protocol codecs per message (DNS question build + reply parse,
# echo request build + reply decode). Not part of the test tiers.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S tests/bench -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2
build/bench/plover_protocol_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"
