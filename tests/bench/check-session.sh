#!/usr/bin/env bash
# Inside the benchmark lab's computer namespace (check-lab.sh; never run it
# elsewhere): the start-up and memory figures of PloverTool.exe beside a
# trivial window, then each check in process beside the usual tool, all
# against the lab's own peers.
#
#   check-session.sh ROOT TSV RUNS COUNT DNS WEB     (environment: BENCH_WORK)
# Appends "figure<TAB>value value ..." lines to TSV: times in ms, memory in KiB.
set -uo pipefail
root=$1 tsv=$2 runs=$3 count=$4 dns=$5 web=$6
work=$BENCH_WORK
build=$root/build/mingw-x86_64
bench=$build/bench
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
to_window=$root/tests/bench/start-to-window.py
gateway=10.77.0.1
name=www.brackenfield.com
title='Brackenfield &raquo; Guaranteed Computer Protection'

say() { echo "  bench: $*"; }
record() {
    local figure=$1
    shift
    printf '%s\t%s\n' "$figure" "$*" >>"$tsv"
}
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# --- the screen ----------------------------------------------------------------
screen_pid=
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
screen_pid=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
DISPLAY=:$(tr -dc 0-9 <"$fdfile")
export DISPLAY
rm -f "$fdfile"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
finish() {
    local prefix
    for prefix in "$work"/prefix-*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
    done
    kill "$screen_pid" 2>/dev/null
}
trap finish EXIT

# --- prefixes ------------------------------------------------------------------
# One prefix is created here; every cold start gets a fresh copy of it, never
# started before (the libraries are shared by hard links: Wine does not
# write them; the registry and the user's folders are real copies).
pristine=$work/prefix-pristine
started=$(date +%s%N)
WINEPREFIX=$pristine timeout 300 "$wine" wineboot -i >/dev/null 2>&1
WINEPREFIX=$pristine "$wineserver" -k 2>/dev/null
WINEPREFIX=$pristine timeout 60 "$wineserver" -w 2>/dev/null
record prefix-creation "$(ms_since "$started")"
mkdir -p "$pristine/drive_c/PloverTool"
cp "$build/PloverTool.exe" "$bench/MinimalWindow.exe" "$bench/plover_process_probe.exe" \
    "$bench/plover_check_timings.exe" "$pristine/drive_c/PloverTool/"
say "prefix created in $(sed -n 's/^prefix-creation\t//p' "$tsv" | tail -1) ms"

fresh_prefix() {            # fresh_prefix NAME: prints the new prefix's path
    local prefix=$work/prefix-$1
    rm -rf "$prefix"
    cp -al "$pristine" "$prefix"
    cp --remove-destination "$pristine"/*.reg "$prefix/"
    rm -rf "$prefix/drive_c/users"
    cp -a "$pristine/drive_c/users" "$prefix/drive_c/users"
    echo "$prefix"
}

# --- one start ------------------------------------------------------------------
declare -A classes=([PloverTool]=plovertool.exe [MinimalWindow]=minimalwindow.exe)
shown_pid() { cat "$work/shown.pid" 2>/dev/null; }
start_to_window() {         # start_to_window PREFIX PROGRAM: prints the ms, keeps the pid
    local result
    result=$(WINEPREFIX=$1 "$to_window" "${classes[$2]}" 120 "$wine" "C:\\PloverTool\\$2.exe") ||
        return 1
    echo "${result##*pid=}" >"$work/shown.pid"
    result=${result#ms=}
    echo "${result%% *}"
}
probe() {                   # probe PREFIX COMMAND PROGRAM
    WINEPREFIX=$1 timeout 60 "$wine" 'C:\PloverTool\plover_process_probe.exe' "$2" "$3.exe" 2>/dev/null |
        tr -d '\r'
}
close_program() {           # close_program PREFIX PROGRAM: its windows get WM_CLOSE
    probe "$1" close "$2" >/dev/null
    local _
    local pid
    pid=$(shown_pid)
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill "$pid" 2>/dev/null
    return 1
}
end_session() {             # end_session PREFIX
    WINEPREFIX=$1 "$wineserver" -k 2>/dev/null
    WINEPREFIX=$1 timeout 60 "$wineserver" -w 2>/dev/null
}

# --- cold: a fresh prefix's first start ------------------------------------------------
for run in $(seq "$runs"); do
    for program in PloverTool MinimalWindow; do
        prefix=$(fresh_prefix "cold")
        if ms=$(start_to_window "$prefix" "$program"); then
            record "start-cold-$program" "$ms"
            say "cold start of $program.exe, run $run: $ms ms to its window"
            close_program "$prefix" "$program"
        else
            record "error" "cold start of $program.exe showed no window"
        fi
        end_session "$prefix"
        rm -rf "$prefix"
    done
done

# --- warm: later starts while the prefix's Wine session runs ------------------------
warm=$(fresh_prefix warm)
WINEPREFIX=$warm "$wineserver" -p
for program in PloverTool MinimalWindow; do
    start_to_window "$warm" "$program" >/dev/null && close_program "$warm" "$program"
done
for run in $(seq "$runs"); do
    for program in PloverTool MinimalWindow; do
        if ! ms=$(start_to_window "$warm" "$program"); then
            record "error" "warm start of $program.exe showed no window"
            continue
        fi
        record "start-warm-$program" "$ms"
        # The welcome screen, once start-up has settled.
        sleep 1
        memory=$(probe "$warm" memory "$program")
        status_file=/proc/$(shown_pid)/status
        rss=$(awk '/^VmRSS:/ {print $2}' "$status_file" 2>/dev/null)
        anonymous=$(awk '/^RssAnon:/ {print $2}' "$status_file" 2>/dev/null)
        record "working-set-welcome-$program" "$(sed -n 's/.*working_set_kib=\([0-9]*\).*/\1/p' <<<"$memory")"
        record "rss-welcome-$program" "${rss:-}"
        record "rss-anonymous-welcome-$program" "${anonymous:-}"
        say "warm start of $program.exe, run $run: $ms ms; ${memory:-no memory figures}, RSS ${rss:-?} KiB (${anonymous:-?} KiB anonymous)"
        close_program "$warm" "$program"
    done
done

# --- each check in process, under Wine --------------------------------------------
say "per-check timings in process: $count calls each"
WINEPREFIX=$warm timeout 600 "$wine" 'C:\PloverTool\plover_check_timings.exe' "$count" \
    "$gateway" "$dns" "$name" "$web" "$web" "$title" 2>/dev/null | tr -d '\r' >"$work/checks.out"
status=${PIPESTATUS[0]}
while read -r check first samples; do
    case $check in
        echo-*|dns-*|page-*|part-*)
            # Microseconds to milliseconds.
            record "check-$check-first" "$(awk '{printf "%.3f", $1 / 1000}' <<<"$first")"
            record "check-$check" "$(awk '{for (i = 1; i <= NF; i++) printf "%.3f ", $i / 1000}' <<<"$samples")"
            ;;
        *) record "error" "per-check: $check $first $samples" ;;
    esac
done <"$work/checks.out"
[ "$status" -eq 0 ] || record "error" "the per-check program ended with status $status"
end_session "$warm"

# --- the usual tools, against the same peers ---------------------------------------
# Each tool once, checked, then: every invocation as a whole (process start
# included, hyperfine without a shell), and the tool's own figure.
tool_ping=(ping -n -q -c1 -W1 "$gateway")
tool_dig=(dig "@$dns" "$name" +tries=1 +time=2)
tool_curl=(curl -s --max-time 5 "http://$web/")
"${tool_ping[@]}" >/dev/null || record "error" "ping got no answer from $gateway"
"${tool_dig[@]}" +short | grep -qx "$web" || record "error" "dig did not resolve $name to $web"
"${tool_curl[@]}" | grep -qF "$title" || record "error" "curl did not fetch the vendor page"

for tool in ping dig curl; do
    declare -n command=tool_$tool
    hyperfine -N --runs "$count" --warmup 3 --export-json "$work/$tool.json" \
        "${command[*]}" >/dev/null 2>&1
    record "tool-$tool-process" "$(python3 -c '
import json, sys
print(" ".join(f"{t * 1000:.3f}" for t in json.load(open(sys.argv[1]))["results"][0]["times"]))' \
        "$work/$tool.json" 2>/dev/null)"
done
own=()
for _ in $(seq "$count"); do
    own+=("$(ping -n -c1 -W1 "$gateway" | sed -n 's/.* time=\([0-9.]*\) ms.*/\1/p')")
done
record tool-ping-own "${own[*]}"
own=()
for _ in $(seq "$count"); do
    own+=("$("${tool_dig[@]}" -u | awk '/Query time:/ {printf "%.3f", $4 / 1000}')")
done
record tool-dig-own "${own[*]}"
own=()
for _ in $(seq "$count"); do
    own+=("$(curl -s --max-time 5 -o /dev/null -w '%{time_total}' "http://$web/" | awk '{printf "%.3f", $1 * 1000}')")
done
record tool-curl-own "${own[*]}"
say "tools measured"
