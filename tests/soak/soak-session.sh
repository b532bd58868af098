#!/usr/bin/env bash
# The soak's Wine session, run by soak-lab.sh inside the lab computer's
# namespace (never run it elsewhere): one PloverTool.exe started once, its
# log filled near its size limit beforehand, then RUNS runs on it, one after
# another, with the lab's faults injected and removed between runs. After
# each run (and once at the welcome screen before the first) one row of the
# process's figures goes to OUT/runs.csv, and the kinds of its handles to
# OUT/handle-types-NN.txt.
#
#   soak-session.sh RUNS OUT      (environment: WINEPREFIX, LAB_RUN, LAB_PC,
#                                  LAB_NET, LAB_T0, LAB_REFERENCES)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
runs=$1 out=$2
scenario=soak
# shellcheck source=../lab/matrix/session-common.sh
source "$here/../lab/matrix/session-common.sh"
# shellcheck source=soak-log.sh
source "$here/soak-log.sh"
trap end_session EXIT
probe_exe='C:\lab\plover_process_probe.exe'
csv=$out/runs.csv
LOG_LIMIT=300000

# --- the runs' faults ------------------------------------------------------------
# Mostly healthy runs, each repair that ends on the success panel every ten
# runs, and the provider's line down once (its run is the longest, about
# two and a half minutes, and ends on a failure panel, so the next run
# starts from that panel's "Run Test"). Runs 5 and 50 are healthy, so the
# two samples compared are of the same kind of run.
fault_of() {                # fault_of RUN
    [ "$1" -eq 3 ] && { echo isp-down; return; }
    case $(($1 % 10)) in
        2 | 8) echo proxy-on ;;
        4 | 9) echo hosts-hijack ;;
        6) echo dead-dns ;;
        *) echo healthy ;;
    esac
}
expected_panel() { [ "$1" = isp-down ] && echo support || echo success; }
run_bound() {               # run_bound FAULT: seconds a run may take
    case $1 in
        isp-down) echo 360 ;;
        dead-dns) echo 240 ;;
        *) echo 150 ;;
    esac
}

# What the lab looks like now; changed only through the functions below.
internet=up adapter_dns=up
internet_set() {            # internet_set up|down
    [ "$internet" = "$1" ] && return 0
    if [ "$1" = down ]; then lab_internet_down; else lab_internet_up; fi
    internet=$1
}
adapter_dns_set() {         # adapter_dns_set up|down: the adapter's DNS server
    [ "$adapter_dns" = "$1" ] && return 0
    if [ "$1" = down ]; then
        kill "$(cat "$LAB_RUN/adapter-dns.pid")" 2>/dev/null
        local _
        for _ in $(seq 50); do adapter_dns_listens || break; sleep 0.1; done
    else
        lab_dns adapter-dns "$LAB_ADAPTER_DNS"
        local _
        for _ in $(seq 50); do adapter_dns_listens && break; sleep 0.1; done
    fi
    adapter_dns=$1
}
adapter_dns_listens() {
    ip netns exec "$LAB_NET" ss -Hlun "src $LAB_ADAPTER_DNS:53" 2>/dev/null | grep -q .
}

# prepare_run FAULT: the machine as the user left it before the first run
# (the adapter's keys, the proxy off), then the run's fault. Repairs of
# earlier runs stay where they do no harm (the replaced hosts file); those
# that would hide a fault (the reseller's DNS servers written into the
# adapter's key) are undone by the seed.
prepare_run() {
    reg_lines=()
    seed_dhcp_adapter 10.77.0.2 255.255.255.0 10.77.0.1 "$LAB_ADAPTER_DNS"
    seed_proxy "$([ "$1" = proxy-on ] && echo 1 || echo 0)"
    seed_registry || return 1
    internet_set "$([ "$1" = isp-down ] && echo down || echo up)"
    adapter_dns_set "$([ "$1" = dead-dns ] && echo down || echo up)"
    if [ "$1" = hosts-hijack ]; then
        rm -f "$etc_folder"/[hH][oO][sS][tT][sS]
        hijacked_hosts "$LAB_DEAD_ADDRESS" >"$etc_folder/hosts"
    fi
    return 0
}

# --- following a run whose log may be cut under it -------------------------------------
wait_new_run() {            # wait_new_run BEFORE SECONDS: a start other than BEFORE
    local _ ended start
    for _ in $(seq $(($2 * 10))); do
        read -r ended start <<<"$(latest_run "$log")"
        [ -n "$start" ] && [ "$start" != "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
wait_run_end() {            # wait_run_end SECONDS
    local _ ended start
    for _ in $(seq $(($1 * 2))); do
        read -r ended start <<<"$(latest_run "$log")"
        [ "$ended" = 1 ] && return 0
        sleep 0.5
    done
    return 1
}

# --- the process's figures ------------------------------------------------------------
linux_pid=
find_linux_pid() {          # the Linux process that runs PloverTool.exe
    local pid
    for pid in $program_pid $(pgrep -P "$program_pid" 2>/dev/null); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi 'PloverTool\.exe' &&
            { linux_pid=$pid; return 0; }
    done
    return 1
}
linux_threads() { ls "/proc/$linux_pid/task" 2>/dev/null | wc -l; }
status_kib() { awk -v f="$1:" '$1 == f {print $2}' "/proc/$linux_pid/status" 2>/dev/null; }
probe_figure() { sed -n "s/.*$1=\([0-9a-z]*\).*/\1/p" <<<"$2"; }

# handle_types RUN: what the handles stand for, one "KIND COUNT" a line in
# OUT/handle-types-NN.txt, so that a growing count shows its kind (and
# Wine's own leaks are told from the program's).
handle_types() {
    timeout 60 "$driver_wine" "$probe_exe" handle-types PloverTool.exe 2>/dev/null | tr -d '\r' \
        >"$out/$(printf 'handle-types-%02d' "$1").txt"
}

idle_linux_threads=
# sample RUN FAULT EXPECTED PANEL SECONDS: one row of runs.csv.
sample() {
    # A run's thread ends just after its last log line: give it a moment
    # (bounded) to be gone before the threads are counted.
    if [ -n "$idle_linux_threads" ]; then
        local _
        for _ in $(seq 100); do
            [ "$(linux_threads)" -le "$idle_linux_threads" ] && break
            sleep 0.1
        done
    fi
    local counts
    counts=$(timeout 60 "$driver_wine" "$probe_exe" counts PloverTool.exe 2>/dev/null | tr -d '\r')
    local size longest
    size=$(stat -c %s "$log" 2>/dev/null || echo 0)
    longest=$(LC_ALL=C awk '{if (length($0) + 1 > m) m = length($0) + 1} END {print m + 0}' "$log" 2>/dev/null)
    printf '%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n' "$1" "$2" "$3" "$4" "$5" \
        "$(probe_figure working_set_kib "$counts")" "$(status_kib VmRSS)" "$(status_kib RssAnon)" \
        "$(probe_figure handles "$counts")" "$(ls "/proc/$linux_pid/fd" 2>/dev/null | wc -l)" \
        "$(probe_figure threads "$counts")" "$(linux_threads)" "$size" "$longest" >>"$csv"
    handle_types "$1"
    tail -1 "$csv"
}

# --- the soak ----------------------------------------------------------------------------
screen_start || { echo "soak: no virtual screen" >&2; exit 1; }
prepare_run healthy || { echo "soak: the seed registry was not imported" >&2; exit 1; }
# The log, filled to just below its limit with lines of an earlier day, so
# that the first run's lines take it past the limit and the cut runs.
mkdir -p "$temp"
fill_log "$log" $((LOG_LIMIT - 2500))
say "log filled to $(stat -c %s "$log") bytes"
open_wizard
find_linux_pid || { echo "soak: no Linux process runs PloverTool.exe" >&2; exit 1; }
sleep 2
echo 'run,fault,expected,panel,seconds,working_set_kib,rss_kib,anonymous_kib,handles,fds,threads,linux_threads,log_bytes,longest_line' >"$csv"
client_shot "$out/run-00.png"
panel=$(judge_panel "$out/run-00.png")
idle_linux_threads=$(linux_threads)
say "welcome screen ($panel), Linux process $linux_pid"
sample 0 idle welcome "$panel" 0

for run in $(seq "$runs"); do
    fault=$(fault_of "$run")
    expected=$(expected_panel "$fault")
    prepare_run "$fault" || say "run $run: the seed registry was not imported"
    read -r _ before <<<"$(latest_run "$log")"
    started=$(date +%s)
    # "Run Test" on the welcome and failure panels, "Try Again" on the
    # success panel (where "Run Test" stands on the welcome screen).
    button=("${RUN_WELCOME[@]}")
    case $panel in welcome | success) ;; *) button=("${RUN_FAILURE[@]}") ;; esac
    click "${button[@]}"
    if ! wait_new_run "$before" 10; then
        say "run $run: the click started no run; once more"
        click "${button[@]}"
        wait_new_run "$before" 10 || say "run $run: no run started"
    fi
    wait_run_end "$(run_bound "$fault")" || say "run $run: no 'Exiting thread' in time"
    settle
    client_shot "$out/$(printf 'run-%02d' "$run").png"
    panel=$(judge_panel "$out/$(printf 'run-%02d' "$run").png")
    say "run $run/$runs $fault: $panel in $(($(date +%s) - started)) s"
    sample "$run" "$fault" "$expected" "$panel" $(($(date +%s) - started)) >/dev/null
done

# The lab as it was, then Close: the program must still end cleanly.
internet_set up
adapter_dns_set up
case $panel in welcome | success) close_wizard welcome ;; *) close_wizard failure ;; esac
grep -q $'\tfail\t' "$out/checks.tsv" && echo closed=no >"$out/closed" || echo closed=yes >"$out/closed"
cp "$log" "$out/PloverToollog" 2>/dev/null
touch "$out/session-complete"
