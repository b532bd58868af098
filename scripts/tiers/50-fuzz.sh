#!/usr/bin/env bash
# The DNS message parser and the echo decoder under libFuzzer with the
# address and undefined-behaviour sanitizers, each for a bounded time
# (PLOVER_FUZZ_SECONDS, 60 by default). Any crash, leak or sanitizer report
# fails the tier; the corpus grows under build/fuzz/corpus between runs.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${PLOVER_FUZZ_SECONDS:-60}
cmake -S tests/fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j2
failed=0
for target in dns_parse_fuzz icmp_decode_fuzz; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    n=0
    grep "^$target " tests/fuzz/seeds.txt | while read -r _ hex; do
        n=$((n + 1))
        python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.argv[1]))' "$hex" \
            >"$corpus/seed-$n"
    done
    echo "fuzz: $target for ${seconds} s"
    if ! (cd build/fuzz && "./$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
            -print_final_stats=1 "corpus/$target" 2>&1 | tail -n 15); then
        failed=1
    fi
done
exit $failed
