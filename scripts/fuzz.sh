#!/usr/bin/env bash
# Fuzzes every parser that reads bytes from outside (the DNS message parser,
# the echo reply decoder, the hosts-file reader, the branding block's cuts)
# with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, starting
# from the kept corpus in tests/fuzz/corpus/<target>/. At the end the grown
# corpus is merged and minimised back into that folder (files named by their
# SHA-1) and one table gives each target's figures.
#
#   scripts/fuzz.sh [options] MINUTES
#     --dns N       the DNS parser's own time (default: three times MINUTES, so
#                   that it runs beside the other three, one after another)
#     --jobs N      targets at a time, 1 or 2 (default 2: the machine has 2 cores)
#     --seconds     MINUTES and --dns count seconds (the CI tier's short run)
#     --no-merge    leave tests/fuzz/corpus as it is (the CI tier)
#
# Any crash, leak, time-out or sanitizer report is a finding: its input stays
# in build/fuzz/findings/<target>/ and the script fails. Logs are in
# build/fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() { sed -n '9,14p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
unit=60 dns= jobs=2 merge=1 minutes=
while [ $# -gt 0 ]; do
    case $1 in
        --dns) dns=${2:?}; shift 2 ;;
        --jobs) jobs=${2:?}; shift 2 ;;
        --seconds) unit=1; shift ;;
        --no-merge) merge=0; shift ;;
        -*) usage ;;
        *) minutes=$1; shift ;;
    esac
done
[[ $minutes =~ ^[0-9]+$ && $minutes -gt 0 ]] || usage
dns=${dns:-$((minutes * 3))}
[[ $dns =~ ^[0-9]+$ && $dns -gt 0 && $jobs =~ ^[12]$ ]] || usage

targets=(dns_parse_fuzz icmp_decode_fuzz hosts_read_fuzz branding_read_fuzz)
build=$root/build/fuzz
cmake -S tests/fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
rm -rf "$build/logs" "$build/findings" "$build/work" "$build/merged"
mkdir -p "$build/logs" "$build/findings" "$build/work" "$build/merged"

children=()
cleanup() {
    for pid in "${children[@]}"; do kill -- "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# A command under an outer time limit; a TERM to this job ends it too.
bounded() {
    local limit=$1 pid
    shift
    timeout "$limit" "$@" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null; exit 143' TERM
    wait "$pid"
}

seconds_of() { if [ "$1" = dns_parse_fuzz ]; then echo $((dns * unit)); else echo $((minutes * unit)); fi; }

# One target: its run from a copy of the kept corpus, then the merge of kept
# and grown inputs into a fresh folder that replaces the kept one.
fuzz_one() {
    local target=$1 seconds kept=$root/tests/fuzz/corpus/$1 work=$build/work/$1 dict=()
    local findings=$build/findings/$1 log=$build/logs/$1.log
    seconds=$(seconds_of "$target")
    mkdir -p "$work" "$findings" "$kept"
    cp -r "$kept"/. "$work"/
    [ -f "tests/fuzz/$target.dict" ] && dict=(-dict="$root/tests/fuzz/$target.dict")
    # libFuzzer stops itself after max_total_time; the outer limit only
    # guards against a run that cannot end.
    bounded $((seconds + 300)) "$build/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" \
        "$work" >"$log" 2>&1 || echo "run-status $?" >>"$log"
    if [ "$merge" = 1 ]; then
        local fresh=$build/merged/$target
        mkdir -p "$fresh"
        bounded 900 "$build/$target" -merge=1 -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$findings/" "$fresh" "$kept" "$work" >"$log.merge" 2>&1 ||
            echo "merge-status $?" >>"$log"
        if [ -n "$(ls -A "$fresh")" ] && ! grep -q merge-status "$log"; then
            rm -rf "$kept"
            mv "$fresh" "$kept"
        fi
    fi
    bounded 300 "$build/$target" -runs=0 "$kept" >"$log.kept" 2>&1 || true
}

start=$(date +%s)
echo "fuzz: ${targets[*]}, $minutes $([ $unit = 1 ] && echo s || echo min) each (DNS $dns), $jobs at a time"
echo "fuzz: load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    echo "fuzz: $target for $(seconds_of "$target") s"
    fuzz_one "$target" &
    children+=($!)
done
wait || true
children=()

# Figures from libFuzzer's own lines: the run's final statistics and its last
# status line, and the status line of the kept corpus read back.
stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n1; }
status_field() { grep -E "(INITED|DONE|pulse|NEW|REDUCE) .*cov:" "$2" | tail -n1 | sed -n "s/.* $1: \([0-9]*\).*/\1/p"; }
failed=0 row='%-20s %6s %12s %8s %6s %7s %6s %7s %6s %9s  %s\n'
printf "\n$row" target seconds executions exec/s cov ft kept k.ft files bytes findings
for target in "${targets[@]}"; do
    log=$build/logs/$target.log
    kept=tests/fuzz/corpus/$target
    found=$(find "$build/findings/$target" -type f | wc -l)
    status=$(grep -E '^(run|merge)-status' "$log" || true)
    [ "$found" -eq 0 ] && [ -z "$status" ] || failed=1
    printf "$row" "$target" "$(seconds_of "$target")" \
        "$(stat number_of_executed_units "$log")" "$(stat average_exec_per_sec "$log")" \
        "$(status_field cov "$log")" "$(status_field ft "$log")" \
        "$(status_field cov "$log.kept")" "$(status_field ft "$log.kept")" \
        "$(find "$kept" -type f | wc -l)" "$(find "$kept" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}')" \
        "$found${status:+ ($status)}"
done
echo "(cov, ft: the run's last figures; kept, k.ft: the kept corpus read back)"
for target in "${targets[@]}"; do
    for input in "$build/findings/$target"/*; do
        [ -f "$input" ] || continue
        echo "fuzz: FINDING $input"
        grep -m3 -E "ERROR|what\(\)|SUMMARY" "$build/logs/$target.log" | sed 's/^/    /'
    done
done
echo "fuzz: load after: $(cut -d' ' -f1-3 /proc/loadavg); took $(( $(date +%s) - start )) s"
exit $failed
