# The soak as a scenario of the lab's runner (tests/lab/matrix.sh, run by
# scripts/soak.sh): one PloverTool.exe, started once, runs the test
# SOAK_RUNS times in a row while the lab breaks and mends the network
# between runs. After each run (and once at the welcome screen) one row of
# the process's figures goes to OUT/runs.csv and the kinds of its handles to
# OUT/handle-types-NN.txt; soak-figures.py judges them.
SOAK_RUNS=${SOAK_RUNS:-50}
title="Soak" fault="each run's own, injected between runs" repairs=
panel= ci=no
# The whole soak's bound: a minute a run is several times what a run takes.
limit=$((SOAK_RUNS * 60 + 600)) LAB_PEER_LIFETIME=$((SOAK_RUNS * 60 + 720))
LOG_LIMIT=300000
probe_exe='C:\lab\plover_process_probe.exe'

# Mostly healthy runs, each repair that ends on the success panel every ten
# runs, and the provider's line down once (the longest run, ending on a
# failure panel, so the next run starts from that panel's "Run Test"). Runs
# 5 and 50 are healthy, so the two samples compared are of the same kind.
fault_of() {
    [ "$1" -eq 3 ] && { echo isp-down; return; }
    case $(($1 % 10)) in
        2 | 8) echo proxy-on ;;
        4 | 9) echo hosts-hijack ;;
        6) echo dead-dns ;;
        *) echo healthy ;;
    esac
}
run_bound() { case $1 in isp-down) echo 360 ;; dead-dns) echo 240 ;; *) echo 150 ;; esac; }

# The lab as it is now; changed only through set_fault.
internet=up adapter_dns=up
adapter_dns_listens() { ip netns exec "$LAB_NET" ss -Hlun "src $LAB_ADAPTER_DNS:53" | grep -q .; }
# set_fault FAULT: the machine as the user left it before the first run
# (the adapter's keys, the proxy off), then the run's fault. Repairs of
# earlier runs stay where they do no harm (the replaced hosts file); those
# that would hide a fault (the reseller's servers in the adapter's key) are
# undone by the seed.
set_fault() {
    local line=up dns=up
    [ "$1" = isp-down ] && line=down
    [ "$1" = dead-dns ] && dns=down
    reg_lines=()
    seed_lab_machine
    [ "$1" = proxy-on ] && seed_proxy 1
    seed_registry || return 1
    [ "$internet" = "$line" ] || lab_internet "$line"
    if [ "$adapter_dns" != "$dns" ] && [ "$dns" = down ]; then
        kill "$(cat "$LAB_RUN/adapter-dns.pid")"
        bounded 5 eval '! adapter_dns_listens'
    elif [ "$adapter_dns" != "$dns" ]; then
        lab_dns adapter-dns "$LAB_ADAPTER_DNS"
        bounded 5 adapter_dns_listens
    fi
    internet=$line adapter_dns=$dns
    if [ "$1" = hosts-hijack ]; then
        rm -f "$etc_folder"/[hH][oO][sS][tT][sS]
        hijacked_hosts "$LAB_DEAD_ADDRESS" >"$etc_folder/hosts"
    fi
    return 0
}

# fill_log LOG BYTES: LOG made of lines of an earlier day, CR LF ended as the
# program writes them, up to just past BYTES.
fill_log() {
    LC_ALL=C awk -v limit="$2" 'BEGIN { while (size < limit) {
        line = sprintf("[12/8/2026 4:%02d:%02d AM] earlier run line %d \r\n", n / 60 % 60, n % 60, n)
        printf "%s", line; size += length(line); n++ } }' >"$1"
}
# latest_run LOG: "ENDED START-LINE", the latest "start plover tool" line
# (with its stamp, so two runs' differ) and whether an "Exiting thread"
# followed it. A cut keeps the newer half of the lines, so the latest run's
# lines survive it. Read it through a command substitution, not "< <(...)":
# thousands of process substitutions beside background children once left
# bash 5.2 waiting for a sleep that had already ended.
latest_run() {
    [ -f "$1" ] || { echo "0 "; return 0; }
    LC_ALL=C awk '{sub(/\r$/, "")} /\] start plover tool/ {start = $0; ended = 0}
         /\] Exiting thread/ {ended = 1} END {printf "%d %s\n", ended, start}' "$1" 2>/dev/null
}
new_run() { local ended start; read -r ended start <<<"$(latest_run "$log")"; [ -n "$start" ] && [ "$start" != "$1" ]; }
wait_run_end() {            # wait_run_end SECONDS: twice a second, the log may be long
    local _ ended start
    for _ in $(seq $(($1 * 2))); do
        read -r ended start <<<"$(latest_run "$log")"
        [ "$ended" = 1 ] && return 0
        sleep 0.5
    done
    return 1
}

# --- the process's figures ---------------------------------------------------------
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
back_to_idle() { [ "$(linux_threads)" -le "$idle_linux_threads" ]; }
status_kib() { awk -v f="$1:" '$1 == f {print $2}' "/proc/$linux_pid/status" 2>/dev/null; }
figure() { sed -n "s/.*$1=\([0-9a-z]*\).*/\1/p" <<<"$2"; }
probe_program() { timeout 60 "$LAB_WINE" "$probe_exe" "$1" PloverTool.exe 2>/dev/null | tr -d '\r'; }

idle_linux_threads=
sample() {                  # sample RUN FAULT EXPECTED PANEL SECONDS: one row of runs.csv
    # A run's thread ends just after its last log line: give it a moment
    # (bounded) to be gone before the threads are counted.
    [ -n "$idle_linux_threads" ] && bounded 10 back_to_idle
    local counts longest
    counts=$(probe_program counts)
    longest=$(LC_ALL=C awk '{if (length($0) + 1 > m) m = length($0) + 1} END {print m + 0}' "$log" 2>/dev/null)
    printf '%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n' "$@" "$(figure working_set_kib "$counts")" \
        "$(status_kib VmRSS)" "$(status_kib RssAnon)" "$(figure handles "$counts")" \
        "$(ls "/proc/$linux_pid/fd" 2>/dev/null | wc -l)" "$(figure threads "$counts")" \
        "$(linux_threads)" "$(stat -c %s "$log" 2>/dev/null || echo 0)" "$longest" >>"$out/runs.csv"
    probe_program handle-types >"$out/$(printf 'handle-types-%02d' "$1").txt"
}

scenario_session() {
    cp "$SOAK_PROBE" "$lab_folder/"
    set_fault healthy || { echo "soak: the seed registry was not imported" >&2; return 1; }
    # The log just below its limit, so that the first run's lines take it
    # past the limit and the cut runs.
    mkdir -p "$temp"
    fill_log "$log" $((LOG_LIMIT - 2500))
    say "log filled to $(stat -c %s "$log") bytes"
    open_wizard
    find_linux_pid || { echo "soak: no Linux process runs PloverTool.exe" >&2; return 1; }
    sleep 2
    echo 'run,fault,expected,panel,seconds,working_set_kib,rss_kib,anonymous_kib,handles,fds,threads,linux_threads,log_bytes,longest_line' >"$out/runs.csv"
    client_shot "$out/run-00.png"
    local panel run fault expected before started button
    panel=$(judge_panel "$out/run-00.png")
    idle_linux_threads=$(linux_threads)
    say "welcome screen ($panel), Linux process $linux_pid"
    sample 0 idle welcome "$panel" 0
    for run in $(seq "$SOAK_RUNS"); do
        fault=$(fault_of "$run") expected=success
        [ "$fault" = isp-down ] && expected=support
        set_fault "$fault" || say "run $run: the seed registry was not imported"
        read -r _ before <<<"$(latest_run "$log")"
        started=$(date +%s)
        # "Try Again" on the success panel stands where "Run Test" stands on
        # the welcome screen; the failure panels have their own.
        button=("${RUN_WELCOME[@]}")
        case $panel in welcome | success) ;; *) button=("${RUN_FAILURE[@]}") ;; esac
        click "${button[@]}"
        if ! bounded 10 new_run "$before"; then
            say "run $run: the click started no run; once more"
            click "${button[@]}"
            bounded 10 new_run "$before" || say "run $run: no run started"
        fi
        wait_run_end "$(run_bound "$fault")" || say "run $run: no 'Exiting thread' in time"
        settle
        client_shot "$out/$(printf 'run-%02d' "$run").png"
        panel=$(judge_panel "$out/$(printf 'run-%02d' "$run").png")
        say "run $run/$SOAK_RUNS $fault: $panel in $(($(date +%s) - started)) s"
        sample "$run" "$fault" "$expected" "$panel" $(($(date +%s) - started))
    done
    # The lab as it was, then Close: the program must still end cleanly.
    set_fault healthy
    case $panel in welcome | success) close_wizard welcome ;; *) close_wizard failure ;; esac
    grep -q $'\tfail\t' "$out/checks.tsv" && echo closed=no >"$out/closed" || echo closed=yes >"$out/closed"
    cp "$log" "$out/PloverToollog" 2>/dev/null
}
