#!/usr/bin/env bash
# The run-level figures, taken on the fault matrix's own scenarios
# (tests/lab/matrix.sh, run exactly as the lab tier runs them), from
# outside: the moment of the scenario's click on "Run Test" (click-recorder),
# the moment the log line "Exiting thread" appears (stamp_log), the
# program's memory at that moment, and whether the run's log is line for
# line the path whose pauses the native program summed.
#
#   run-timing.sh OUT SCENARIO RUNS
# Appends to OUT/runs.tsv; OUT/native/SCENARIO.log and .pauses must hold the
# native path (plover_mandated_pauses).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$(realpath -m "$1")
scenario=$2 runs=$3
prefix=$root/build/lab/matrix-prefix
tsv=$out/runs.tsv
record() {
    local figure=$1
    shift
    printf '%s\t%s\n' "$figure" "$*" >>"$tsv"
}
value() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
# stamp_log OUT: each line of the prefix's log as it appears, "NANOSECONDS<TAB>
# LINE" on the wall clock that date +%s%N reads (the log's own one-second
# stamps are left out), and at "Exiting thread" the program's memory at
# once. tail -F follows the log by name through its deletion and
# re-creation; it looks every 5 ms, which is what a stamp may be late by.
# It only reads files.
stamp_log() {
    local line text
    tail -F -s 0.005 -n +1 "$prefix/drive_c/users/$(id -un)/Temp/PloverToollog" 2>/dev/null |
        while IFS= read -r line; do
            text=${line%$'\r'}
            [[ $text == \[*\]\ * ]] && text=${text#*] }
            printf '%s\t%s\n' "${EPOCHREALTIME/./}000" "$text"
            [[ $text == "Exiting thread"* ]] && printf '%s\t#memory %s\n' "${EPOCHREALTIME/./}000" "$(memory)"
        done >>"$1"
}
memory() {                  # the RSS of the prefix's PloverTool.exe, and its anonymous part
    local pid
    for pid in $(pgrep -f 'PloverTool\.exe'); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
        awk '/^VmRSS:/ {r = $2} /^RssAnon:/ {a = $2} END {printf "rss_kib=%s anonymous_kib=%s", r, a}' \
            "/proc/$pid/status"
        return
    done
    echo "rss_kib= anonymous_kib="
}

for run in $(seq "$runs"); do
    work=$out/runs/$scenario-$run
    rm -rf "$work"
    mkdir -p "$work"
    stamp_log "$work/stamps.tsv" 2>/dev/null &
    stamper=$!
    started=$(date +%s)
    PATH=$here/click-recorder:$PATH PLOVER_CLICK_LOG=$work/clicks.txt timeout 1800 \
        bash "$root/tests/lab/matrix.sh" "$work/matrix" "$scenario" >"$work/matrix.out" 2>&1
    status=$?
    pkill -P "$stamper"
    wait "$stamper" 2>/dev/null
    [ "$status" -eq 0 ] || record error "$scenario run $run: the scenario failed its own checks (see $work/matrix.out)"

    figures=$(python3 "$here/bench-figures.py" run "$work/stamps.tsv" "$work/clicks.txt" \
        "$out/native/$scenario.pauses")
    wall=$(value wall_ms "$figures")
    if [ -z "$wall" ]; then
        record error "$scenario run $run: no timed run ($figures)"
        continue
    fi
    record "wall-$scenario" "$wall"
    record click-to-handler "$(value click_to_handler_ms "$figures")"
    record "parts-$scenario" "$(sed -n 's/.*overhead_ms=\([-0-9,]*\).*/\1/p' <<<"$figures" | tr , ' ')"
    record "slowest-$scenario" "$(sed -n 's/.* slowest=\([^ ]*\).*/\1/p' <<<"$figures")"
    if [ "$scenario" = healthy ]; then
        record rss-after-run "$(value rss_kib "$figures")"
        record rss-anonymous-after-run "$(value anonymous_kib "$figures")"
    fi
    record "path-$scenario" "$(python3 "$here/bench-figures.py" same-path "$out/native/$scenario.log" \
        "$work/matrix/$scenario/PloverToollog")"
    echo "  bench: $scenario, run $run: ${wall} ms from the click to \"Exiting thread\" ($(($(date +%s) - started)) s with the scenario's set-up)"
done
