# What every Wine session of the lab computer shares, sourced inside the
# computer's namespace by session.sh (one scenario) and by the soak
# (tests/soak/soak-session.sh, many runs on one program): the adapter's
# registry keys, following a run in the log, judging the panel on screen,
# the log and machine-state checks, and the common clicks.
# Needs: scenario (the name in progress lines), out (the output folder),
# WINEPREFIX, LAB_T0 and LAB_REFERENCES.
session_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../window-driver.sh
source "$session_here/../window-driver.sh"
# shellcheck source=scenarios.sh
source "$session_here/scenarios.sh"
# shellcheck source=lab-network.sh
source "$session_here/lab-network.sh"
# shellcheck source=lab-prefix.sh
source "$session_here/lab-prefix.sh"

temp=$(temp_folder)
log=$temp/PloverToollog
exe_windows='C:\PloverTool\PloverTool.exe'
exe_folder=$WINEPREFIX/drive_c/PloverTool
lab_folder=$WINEPREFIX/drive_c/lab
etc_folder=$WINEPREFIX/drive_c/windows/system32/drivers/etc

: >"$out/checks.tsv"
check() {                   # check NAME STATUS MESSAGE
    if [ "$2" -eq 0 ]; then
        printf '%s\tok\t\n' "$1" >>"$out/checks.tsv"
    else
        printf '%s\tfail\t%s\n' "$1" "$3" >>"$out/checks.tsv"
        echo "  FAIL  $1: $3"
    fi
}

elapsed() { echo $(($(date +%s) - LAB_T0)); }
say() { printf '  [%s %4ss] %s\n' "$scenario" "$(elapsed)" "$*"; }

# --- the adapter's registry keys, as Windows keeps them ----------------------
adapter_name=
if index=$(ip -o link show lan0 2>/dev/null | cut -d: -f1) && [ -n "$index" ]; then
    adapter_name=$(printf '{%08X-0000-0000-0000-4E6574446576}' "$index")
fi
interface_key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces\'$adapter_name
settings_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings'

multi() {                   # multi TEXT...: a REG_MULTI_SZ value in .reg notation
    local text bytes=()
    for text in "$@"; do
        bytes+=($(printf '%s' "$text" | od -An -tx1 -v) 00)
    done
    bytes+=(00)
    local IFS=,
    echo "hex(7):${bytes[*]}"
}

reg_lines=()
reg_value() { reg_lines+=("\"$1\"=$2"); }
reg_key() { reg_lines+=("" "[$1]"); }

# An adapter that takes its address from a DHCP server.
seed_dhcp_adapter() {       # seed_dhcp_adapter ADDRESS MASK GATEWAY DNS
    reg_key "$interface_key"
    reg_value EnableDHCP dword:00000001
    reg_value IPAddress "$(multi 0.0.0.0)"
    reg_value SubnetMask "$(multi 0.0.0.0)"
    reg_value DefaultGateway "$(multi)"
    reg_value NameServer '""'
    reg_value Domain '""'
    reg_value DhcpIPAddress "\"$1\""
    reg_value DhcpSubnetMask "\"$2\""
    [ -n "$3" ] && reg_value DhcpServer '"10.77.0.1"'
    [ -n "$3" ] && reg_value DhcpDefaultGateway "$(multi "$3")"
    reg_value DhcpNameServer "\"$4\""
    reg_value DhcpDomain '"lab"'
}

# An adapter whose settings the user typed in.
seed_static_adapter() {     # seed_static_adapter ADDRESS MASK GATEWAY DNS
    reg_key "$interface_key"
    reg_value EnableDHCP dword:00000000
    reg_value IPAddress "$(multi "$1")"
    reg_value SubnetMask "$(multi "$2")"
    reg_value DefaultGateway "$(multi "$3")"
    reg_value DefaultGatewayMetric "$(multi 0)"
    reg_value NameServer "\"$4\""
    reg_value Domain '""'
}

seed_proxy() {              # seed_proxy 0|1
    reg_key "$settings_key"
    reg_value ProxyEnable "dword:0000000$1"
    reg_value ProxyServer '"10.77.0.8:3128"'
}

seed_registry() {
    [ ${#reg_lines[@]} -eq 0 ] && return 0
    local file=$WINEPREFIX/drive_c/lab/seed.reg
    printf '%s\r\n' REGEDIT4 "${reg_lines[@]}" "" >"$file"
    timeout 60 "$driver_wine" reg import 'C:\lab\seed.reg' >/dev/null 2>&1
    local status=$?
    rm -f "$file"
    return $status
}

# --- following a run -----------------------------------------------------------
stage_names=("" "network settings" "local connection" "ISP connection" "name resolution"
    "browser settings")

# The stage of the latest run and whether a repair is under way in it.
run_position() {
    awk '/\] start plover tool/ {stage = 0; repair = 0}
         /\] finish step completed: / {stage = $NF; repair = 0}
         /try to repair|start repair2|ping gatewaw fail|same subnet as IP address - fail/ {repair = 1}
         END {print stage + 0, repair + 0}' "$log" 2>/dev/null || echo "0 0"
}

restart_question() { xdotool search --onlyvisible --name '^Warning$' 2>/dev/null | head -1; }

# follow_run LIMIT EXITS: until the log holds EXITS "Exiting thread" lines
# (0), the restart question is up (2) or LIMIT seconds have passed (1).
# Prints the stage on every change and every 20 s; screenshots each repair
# notice once.
followed=
follow_run() {
    local limit=$1 exits=$2 begin last_say stage repair position
    begin=$(date +%s)
    last_say=$begin
    while [ $(($(date +%s) - begin)) -lt "$limit" ]; do
        read -r stage repair < <(run_position)
        position="$(count_lines 'start plover tool') $stage $repair"
        if [ "$position" != "$followed" ]; then
            if [ "$stage" -ge 1 ] && [ "$stage" -le 5 ]; then
                if [ "$repair" = 1 ]; then
                    say "stage $stage ${stage_names[$stage]}: repair under way"
                    sleep 1
                    shot "stage$stage-repair-notice"
                else
                    say "stage $stage ${stage_names[$stage]}"
                fi
            elif [ "$stage" = 6 ]; then
                say "failure panel"
            fi
            followed=$position last_say=$(date +%s)
        elif [ $(($(date +%s) - last_say)) -ge 20 ]; then
            say "stage $stage ${stage_names[$stage]:-}$([ "$repair" = 1 ] && echo ': repair under way') ..."
            last_say=$(date +%s)
        fi
        [ "$(count_lines 'Exiting thread')" -ge "$exits" ] && return 0
        [ -n "$(restart_question)" ] && return 2
        sleep 0.5
    done
    return 1
}

# --- judging the screen -------------------------------------------------------
# The panel on screen, by comparison with the reference screens of the
# window (the same window, played with scripted stages), leaving out the
# button row whose focus mark differs.
judge_panel() {             # judge_panel CLIENT.png: prints the panel's name or "unknown"
    local file=$1 best=unknown best_score=999999999 reference score shown candidate
    [ -f "$file" ] || { echo none; return; }
    shown=$(mktemp --suffix=.png) candidate=$(mktemp --suffix=.png)
    convert "$file" -crop 440x425+0+0 +repage "$shown"
    for reference in "$LAB_REFERENCES"/*.png; do
        [ -f "$reference" ] || continue
        convert "$reference" -crop 440x425+0+0 +repage "$candidate"
        score=$(compare -metric AE -fuzz 8% "$shown" "$candidate" null: 2>&1 | cut -d' ' -f1)
        score=${score%%.*}
        [[ "$score" =~ ^[0-9]+$ ]] || continue
        if [ "$score" -lt "$best_score" ]; then best_score=$score best=$(basename "$reference" .png); fi
    done
    rm -f "$shown" "$candidate"
    # Panels differ from each other by thousands of pixels; a few hundred
    # allow for an animated picture caught in another frame.
    [ "$best_score" -le 3000 ] && echo "$best" || echo unknown
}

# wait_panel PANEL LIMIT: for a run whose log cannot be followed (held by
# another process, or on a full disk), until the screen shows PANEL (0), the
# program has ended (3) or LIMIT seconds have passed (1). Compares with that
# one reference only, about once a second.
wait_panel() {
    local panel=$1 limit=$2 begin shown reference candidate score status=1
    reference=$LAB_REFERENCES/$panel.png
    [ -f "$reference" ] || return 1
    shown=$(mktemp --suffix=.png) candidate=$(mktemp --suffix=.png)
    convert "$reference" -crop 440x425+0+0 +repage "$candidate"
    begin=$(date +%s)
    while [ $(($(date +%s) - begin)) -lt "$limit" ]; do
        kill -0 "$program_pid" 2>/dev/null || { status=3; break; }
        if client_shot "$shown"; then
            convert "$shown" -crop 440x425+0+0 +repage "$shown"
            score=$(compare -metric AE -fuzz 8% "$shown" "$candidate" null: 2>&1 | cut -d' ' -f1)
            score=${score%%.*}
            [[ "$score" =~ ^[0-9]+$ ]] && [ "$score" -le 3000 ] && { status=0; break; }
        fi
        sleep 1
    done
    rm -f "$shown" "$candidate"
    [ $status -eq 0 ] && say "the screen shows the $panel panel"
    return $status
}

final_screen() {            # final_screen NAME: screenshot and judge what is shown
    settle
    shot "$1"
    if main_window >/dev/null; then
        client_shot "$out/final-client.png"
        judge_panel "$out/final-client.png" >"$out/panel"
    else
        echo hidden >"$out/panel"
    fi
    say "panel reached: $(cat "$out/panel")"
}

expect_panel() {            # expect_panel NAME
    local panel
    panel=$(cat "$out/panel" 2>/dev/null)
    [ "$panel" = "$1" ]
    check "panel.$1" $? "the screen shows '$panel'"
}

# --- the log ---------------------------------------------------------------------
# The log without its time stamps: "message detail" per line.
log_text() { sed -e 's/^\[[^]]*\] //' -e 's/\r$//' "$log" 2>/dev/null; }

# expect_lines NAME TEXT...: each TEXT in a later line than the one before;
# a TEXT that starts with "=" is the whole line, trailing blanks included.
expect_lines() {
    local name=$1
    shift
    local missing
    missing=$(log_text | awk -v n=$# '
        BEGIN { for (i = 1; i <= n; i++) want[i] = ARGV[i]; ARGC = 1; k = 1 }
        k <= n && (substr(want[k], 1, 1) == "=" ? $0 == substr(want[k], 2) : index($0, want[k])) { k++ }
        END { if (k <= n) print want[k] }' "$@")
    [ -z "$missing" ]
    check "log.$name" $? "missing or out of order: '$missing'"
}

expect_no_line() {          # expect_no_line NAME TEXT
    ! log_text | grep -qF -- "$2"
    check "log.$1" $? "the log holds '$2'"
}

expect_count() {            # expect_count NAME TEXT COUNT
    local count
    count=$(log_text | grep -cF -- "$2")
    [ "$count" -eq "$3" ]
    check "log.$1" $? "'$2' $count times, not $3"
}

# --- the machine state --------------------------------------------------------
reg_query() {               # reg_query KEY FILE: the key's values, or "absent"
    if ! timeout 30 "$driver_wine" reg query "$1" >"$2.raw" 2>/dev/null; then
        echo absent >"$2"
    else
        tr -d '\r' <"$2.raw" >"$2"
    fi
    rm -f "$2.raw"
}

collect_state() {
    local state=$out/state
    rm -rf "$state"
    mkdir -p "$state"
    [ -n "$adapter_name" ] && reg_query "$interface_key" "$state/interface-key.txt"
    reg_query "$settings_key" "$state/internet-settings.txt"
    reg_query 'HKEY_LOCAL_MACHINE\Software\PloverTool' "$state/resume-marker.txt"
    reg_query 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run' "$state/run-key.txt"
    local file
    for file in "$etc_folder"/*; do
        [ -f "$file" ] && cp "$file" "$state/etc-$(basename "$file")"
    done
    (cd "$temp" && find . -maxdepth 1 -type f -printf '%f %s\n' | sort) >"$state/temp-folder.txt"
    tr -d '\r' <"$lab_folder/calls.txt" >"$state/commands.txt" 2>/dev/null || : >"$state/commands.txt"
    (cd "$lab_folder/tasks" && for file in *; do
        [ -f "$file" ] && printf '%s: %s\n' "$file" "$(tr -d '\r' <"$file")"
    done) >"$state/scheduled-tasks.txt"
    cp "$log" "$out/PloverToollog" 2>/dev/null || true
}

# value_of FILE NAME: the data of a value in a reg query dump ("" if absent).
value_of() {
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print; found = 1 }
                      END { if (!found) exit 1 }' "$1"
}
expect_value() {            # expect_value NAME FILE VALUE DATA
    local data
    data=$(value_of "$out/state/$2" "$3")
    [ "$data" = "$4" ]
    check "state.$1" $? "$3 is '$data', not '$4'"
}
expect_no_value() {         # expect_no_value NAME FILE VALUE
    ! value_of "$out/state/$2" "$3" >/dev/null
    check "state.$1" $? "$3 is still there"
}
temp_has() { grep -q "^$1 " "$out/state/temp-folder.txt"; }
etc_file() {                # etc_file NAME: the state copy of an etc file, any letter case
    local file
    for file in "$out"/state/etc-*; do
        [ "$(basename "$file" | tr 'A-Z' 'a-z')" = "etc-$(echo "$1" | tr 'A-Z' 'a-z')" ] &&
            { echo "$file"; return 0; }
    done
    return 1
}

# --- common steps of a scenario --------------------------------------------------
# open_wizard [ARG...]: the program from its folder, as a user starts it.
open_wizard() {
    pushd "$exe_folder" >/dev/null || return 1
    start_program "$exe_windows" "$@"
    app_class=plovertool.exe
    popd >/dev/null || return 1
    wait_window 30
    check window.shown $? "no wizard window"
    settle
}
# The whole screen at the first sight of the window.
welcome_screen() { shot welcome; }

press_run_test() {          # press_run_test [welcome|failure]
    if [ "${1:-welcome}" = failure ]; then click "${RUN_FAILURE[@]}"; else click "${RUN_WELCOME[@]}"; fi
    sleep 0.4
    shot stage-list
}

close_wizard() {            # close_wizard welcome|failure: the Close button, then the end
    if [ "$1" = failure ]; then click "${CLOSE_FAILURE[@]}"; else click "${CLOSE_WELCOME[@]}"; fi
    wait_gone 20
    check window.closed $? "still running after Close"
}

# The program, the Wine session and the screen, whatever state they are in.
end_session() {
    wine_stop
    screen_stop
}
