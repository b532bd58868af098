# The benchmark's start-up, memory and per-check figures, as a scenario of
# the lab's runner (tests/lab/matrix.sh, run by scripts/bench.sh): the
# fault matrix's healthy lab, and in its computer PloverTool.exe beside a
# trivial window, then each check in process beside the usual tool, all
# against the lab's own peers. Appends "figure<TAB>value value ..." lines to
# BENCH_TSV: times in ms, memory in KiB; BENCH_RUNS samples of each start-up
# figure, BENCH_COUNT calls of each per-check figure.
title="Benchmark: start-up and checks" fault="none" repairs="no repair" panel= ci=no
limit=1500 LAB_PEER_LIFETIME=1800
bench=$lab_root/build/mingw-x86_64/bench
to_window=$lab_root/measure/bench/start-to-window.py
declare -gA classes=([PloverTool]=plovertool.exe [MinimalWindow]=minimalwindow.exe)

record() { printf '%s\t%s\n' "$1" "${*:2}" >>"$BENCH_TSV"; }
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
# fresh_prefix NAME: a copy of the pristine prefix, never started (the
# libraries are shared by hard links, as Wine does not write them; the
# registry and the user's folders are real copies).
fresh_prefix() {
    local prefix=$LAB_RUN/prefix-$1
    rm -rf "$prefix"
    cp -al "$pristine" "$prefix"
    cp --remove-destination "$pristine"/*.reg "$prefix/"
    rm -rf "$prefix/drive_c/users"
    cp -a "$pristine/drive_c/users" "$prefix/drive_c/users"
    echo "$prefix"
}
start_to_window() {         # start_to_window PREFIX PROGRAM: the ms to its window; keeps the pid
    local result
    result=$(WINEPREFIX=$1 "$to_window" "${classes[$2]}" 120 "$LAB_WINE" "C:\\PloverTool\\$2.exe") || return 1
    echo "${result##*pid=}" >"$LAB_RUN/shown.pid"
    result=${result#ms=}
    echo "${result%% *}"
}
probe_program() { WINEPREFIX=$1 timeout 60 "$LAB_WINE" 'C:\PloverTool\plover_process_probe.exe' "$2" "$3.exe" 2>/dev/null | tr -d '\r'; }
close_program() {           # close_program PREFIX PROGRAM: its windows get WM_CLOSE
    probe_program "$1" close "$2" >/dev/null
    program_pid=$(cat "$LAB_RUN/shown.pid")
    wait_gone 10 || kill "$program_pid" 2>/dev/null
}

scenario_session() {
    local started run program prefix ms warm memory rss anonymous
    pristine=$LAB_RUN/prefix-pristine
    started=$(date +%s%N)
    WINEPREFIX=$pristine timeout 300 "$LAB_WINE" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$pristine wine_stop
    record prefix-creation "$(ms_since "$started")"
    mkdir -p "$pristine/drive_c/PloverTool"
    cp "$LAB_EXE" "$bench"/{MinimalWindow,plover_process_probe,plover_check_timings}.exe "$pristine/drive_c/PloverTool/"
    say "prefix created in $(ms_since "$started") ms"

    # Cold: a fresh prefix's first start, with no Wine session running.
    for run in $(seq "$BENCH_RUNS"); do
        for program in PloverTool MinimalWindow; do
            prefix=$(fresh_prefix cold)
            if ms=$(start_to_window "$prefix" "$program"); then
                record "start-cold-$program" "$ms"
                say "cold start of $program.exe, run $run: $ms ms to its window"
                close_program "$prefix" "$program"
            else
                record error "cold start of $program.exe showed no window"
            fi
            WINEPREFIX=$prefix wine_stop
            rm -rf "$prefix"
        done
    done

    # Warm: later starts while the prefix's Wine session runs.
    warm=$(fresh_prefix warm)
    WINEPREFIX=$warm "$WINESERVER" -p
    for program in PloverTool MinimalWindow; do
        start_to_window "$warm" "$program" >/dev/null && close_program "$warm" "$program"
    done
    for run in $(seq "$BENCH_RUNS"); do
        for program in PloverTool MinimalWindow; do
            ms=$(start_to_window "$warm" "$program") ||
                { record error "warm start of $program.exe showed no window"; continue; }
            record "start-warm-$program" "$ms"
            # The welcome screen, once start-up has settled.
            sleep 1
            memory=$(probe_program "$warm" counts "$program")
            read -r rss anonymous < <(awk '/^VmRSS:/ {r = $2} /^RssAnon:/ {a = $2} END {print r, a}' \
                "/proc/$(cat "$LAB_RUN/shown.pid")/status" 2>/dev/null)
            record "working-set-welcome-$program" "$(sed -n 's/.*working_set_kib=\([0-9]*\).*/\1/p' <<<"$memory")"
            record "rss-welcome-$program" "${rss:-}"
            record "rss-anonymous-welcome-$program" "${anonymous:-}"
            say "warm start of $program.exe, run $run: $ms ms; ${memory:-no memory figures}, RSS ${rss:-?} KiB (${anonymous:-?} KiB anonymous)"
            close_program "$warm" "$program"
        done
    done

    say "per-check timings in process: $BENCH_COUNT calls each"
    WINEPREFIX=$warm timeout 600 "$LAB_WINE" 'C:\PloverTool\plover_check_timings.exe' "$BENCH_COUNT" \
        "$LAB_GATEWAY" "$LAB_ADAPTER_DNS" "$LAB_VENDOR_HOST" "$LAB_VENDOR_WEB" "$LAB_VENDOR_WEB" \
        "$LAB_VENDOR_TITLE" 2>/dev/null | tr -d '\r' >"$LAB_RUN/checks.out"
    local status=${PIPESTATUS[0]} check first samples
    while read -r check first samples; do
        case $check in
            echo-* | dns-* | page-* | part-*)   # microseconds to milliseconds
                record "check-$check-first" "$(awk '{printf "%.3f", $1 / 1000}' <<<"$first")"
                record "check-$check" "$(awk '{for (i = 1; i <= NF; i++) printf "%.3f ", $i / 1000}' <<<"$samples")" ;;
            *) record error "per-check: $check $first $samples" ;;
        esac
    done <"$LAB_RUN/checks.out"
    [ "$status" -eq 0 ] || record error "the per-check program ended with status $status"
    WINEPREFIX=$warm wine_stop
    tools
}

# The usual tools against the same peers: each once, checked; then every
# invocation as a whole (process start included, hyperfine without a
# shell), and the tool's own figure.
tools() {
    local tool own _
    local ping_tool=(ping -n -q -c1 -W1 "$LAB_GATEWAY")
    local dig_tool=(dig "@$LAB_ADAPTER_DNS" "$LAB_VENDOR_HOST" +tries=1 +time=2)
    local curl_tool=(curl -s --max-time 5 "http://$LAB_VENDOR_WEB/")
    "${ping_tool[@]}" >/dev/null || record error "ping got no answer from $LAB_GATEWAY"
    "${dig_tool[@]}" +short | grep -qx "$LAB_VENDOR_WEB" || record error "dig did not resolve $LAB_VENDOR_HOST"
    "${curl_tool[@]}" | grep -qF "$LAB_VENDOR_TITLE" || record error "curl did not fetch the vendor page"
    for tool in ping dig curl; do
        local -n command=${tool}_tool
        hyperfine -N --runs "$BENCH_COUNT" --warmup 3 --export-json "$LAB_RUN/$tool.json" \
            "${command[*]}" >/dev/null 2>&1
        record "tool-$tool-process" "$(/usr/bin/python3 -c 'import json, sys
print(" ".join(f"{t * 1000:.3f}" for t in json.load(open(sys.argv[1]))["results"][0]["times"]))' \
            "$LAB_RUN/$tool.json" 2>/dev/null)"
        own=()
        for _ in $(seq "$BENCH_COUNT"); do
            case $tool in
                ping) own+=("$(ping -n -c1 -W1 "$LAB_GATEWAY" | sed -n 's/.* time=\([0-9.]*\) ms.*/\1/p')") ;;
                dig) own+=("$("${dig_tool[@]}" -u | awk '/Query time:/ {printf "%.3f", $4 / 1000}')") ;;
                curl) own+=("$(curl -s --max-time 5 -o /dev/null -w '%{time_total}' "http://$LAB_VENDOR_WEB/" |
                    awk '{printf "%.3f", $1 * 1000}')") ;;
            esac
        done
        record "tool-$tool-own" "${own[*]}"
    done
    say "tools measured"
}
