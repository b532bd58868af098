#!/usr/bin/env bash
# What a run costs beyond the pauses the behaviour mandates, side by side
# with the tools a support engineer would use, in one table
# (docs/benchmark.md). Not a test tier; runs as root, in lab namespaces only, and
# takes about 8 minutes with the defaults on a quiet machine.
#
#   scripts/bench.sh [--runs N] [--count N]
#     --runs N    samples of each run-level and start-up figure (default 3)
#     --count N   calls of each per-check figure (default 50)
# Leaves everything in build/bench-results/ (table.txt is the table).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=3 count=50
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --count) count=$2; shift 2 ;;
        *) echo "usage: scripts/bench.sh [--runs N] [--count N]" >&2; exit 2 ;;
    esac
done
[ "$runs" -ge 1 ] && [ "$runs" -le 20 ] && [ "$count" -ge 1 ] && [ "$count" -le 1000 ] ||
    { echo "bench: --runs 1..20, --count 1..1000" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "bench: needs root (lab network namespaces)" >&2; exit 1; }
started=$(date +%s)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
# The usual tools and the timing helpers; the test tiers need none of them.
scripts/bootstrap.sh bind9-dnsutils curl hyperfine

echo "bench: building"
# shellcheck source=lib/build.sh
source scripts/lib/build.sh
build native plover_mandated_pauses plover_protocol_bench
build mingw-i686 PloverTool
build mingw-x86_64 PloverTool plover_check_timings plover_process_probe MinimalWindow PloverToolScenes \
    lab_standins

out=build/bench-results
rm -rf "$out"
mkdir -p "$out/native"
for preset in mingw-i686 mingw-x86_64; do
    printf 'size-%s\t%s\n' "$preset" "$(stat -c %s "build/$preset/PloverTool.exe")" >>"$out/sizes.tsv"
done

echo "bench: codec figures"
build/native/measure/plover_protocol_bench --benchmark_repetitions=$((runs < 5 ? 5 : runs)) \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$out/codecs.json"

echo "bench: mandated pauses of the lab's paths, on the virtual clock"
# The exe the lab runs carries the branding block the native run reads.
build/native/measure/plover_mandated_pauses build/mingw-x86_64/PloverTool.exe "$out/native" \
    healthy proxy-on dead-dns | tee "$out/mandated.txt"

echo "bench: start-up, memory and per-check figures in the fault matrix's healthy lab"
BENCH_TSV=$PWD/$out/check-lab.tsv BENCH_RUNS=$runs BENCH_COUNT=$count \
    bash tests/lab/matrix.sh "$out" measure/bench/checks.sh >"$out/checks.console" 2>&1 ||
    printf 'error\t%s\n' "the benchmark lab's session failed (see $out/checks.console)" >>"$out/check-lab.tsv"
for scenario in healthy proxy-on dead-dns; do
    echo "bench: lab runs of the fault matrix's scenario $scenario"
    bash measure/bench/run-timing.sh "$out" "$scenario" "$runs"
done

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
    python3 measure/bench/bench-figures.py table "$out"
    echo
    echo "Each figure: median [min-max] n=samples. Load average $load_before before, $load_after after"
    echo "(2 cores: a load above 1 means other work shared the machine and the figures are noisy)."
    echo "The benchmark took $(($(date +%s) - started)) s."
} | tee "$out/table.txt"
