# A Wine session of the lab computer: the scenario's description and hooks,
# its checks, the machine's registry seeds, following a run in the log,
# judging the panel on screen against reference screens, and the log and
# machine-state judges. Sourced on the host (network, probes) and inside
# the computer's namespace (everything else); run as
#   bash session.sh FUNCTION ARG...
# it calls one of its functions, which is how a lab starts a session inside
# a namespace. The steps and judges that scenarios share are in steps.sh.
session_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=network.sh
source "$session_lib/network.sh"
# shellcheck source=wine.sh
source "$session_lib/wine.sh"
# shellcheck source=driver.sh
source "$session_lib/driver.sh"
# shellcheck source=steps.sh
source "$session_lib/steps.sh"
SCENARIOS=$lab_root/tests/lab/scenarios

check() {                   # check NAME STATUS MESSAGE: one row of OUT/checks.tsv
    [ "$2" -eq 0 ] && { printf '%s\tok\t\n' "$1" >>"$out/checks.tsv"; return; }
    printf '%s\tfail\t%s\n' "$1" "$3" >>"$out/checks.tsv"
    echo "  FAIL  $1: $3"
}
say() { printf '  [%s %4ss] %s\n' "$name" "$(($(date +%s) - LAB_T0))" "$*"; }

# --- the scenario ----------------------------------------------------------------------
# scenario_load NAME|FILE: its description and hooks. A file may describe a
# family (variants=(...)): NAME is then the file's name, "-" and the variant.
scenario_load() {
    local file=$1
    name=$(basename "$1" .sh) variant=
    if [[ $file != */* ]]; then
        file=$SCENARIOS/$1.sh
        [ -f "$file" ] || { variant=${1#*-} file=$SCENARIOS/${1%%-*}.sh; }
    fi
    title= fault= repairs= panel= expect= ci=no limit=300 own_mounts=no variants=()
    scenario_network() { network_standard; }
    scenario_probe() { probe_standard; }
    scenario_seed() { seed_lab_machine; }
    scenario_drive() { run_once $((limit - 60)); close_after_panel; }
    scenario_judge() { :; }
    scenario_session() { judged_session; }
    # shellcheck source=/dev/null
    [ -f "$file" ] && source "$file"
}
scenario_names() {          # every scenario, one a line
    local file
    for file in "$SCENARIOS"/*.sh; do
        (scenario_load "$file" && if [ ${#variants[@]} -eq 0 ]; then echo "$name"; else
            printf "$name-%s\n" "${variants[@]}"; fi)
    done
}
scenario_describe() {       # NAME...: name, ci, limit, title, fault, repairs, panel, expect; tab-separated
    local one
    for one in "$@"; do
        (scenario_load "$one" && [ -n "$title" ] &&
            printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$ci" "$limit" "$title" "$fault" \
                "$repairs" "$panel" "$expect") || echo "lab: no scenario '$one'" >&2
    done
}

# Inside the computer's namespace: the scenario's session (OUT gets
# checks.tsv, panel, state/, the screens, the log and session-complete).
scenario_run_session() {
    scenario_load "$1"
    out=$2 temp=$(temp_folder)
    log=$temp/PloverToollog lab_folder=$WINEPREFIX/drive_c/lab
    etc_folder=$WINEPREFIX/drive_c/windows/system32/drivers/etc
    trap 'wine_stop; screen_stop' EXIT
    if [ "${LAB_INTERACTIVE:-}" = 1 ]; then
        scenario_seed
        seed_registry
        open_wizard
        say "the wizard is on $DISPLAY; close it to end the demo"
        wait_gone 3600
        collect_state
    else
        screen_start || { check screen.started 1 "no virtual screen"; return 1; }
        scenario_session
    fi
    touch "$out/session-complete"
}
judged_session() {
    scenario_seed
    seed_registry
    check registry.seeded $? "the seed registry was not imported"
    reg_export "$(adapter_key)" "$out/interface-key-before.reg"    # as the user left it
    scenario_drive
    [ -f "$out/panel" ] || echo none >"$out/panel"
    collect_state
    [ -z "$panel" ] || expect_panel "$panel"
    scenario_judge
    wine_stop
    printf '%s\n' "${shots[@]}" >"$out/screenshots.txt"
}

# --- probes: the lab is what the scenario needs, before the program starts ------------
probe() {                   # probe NAME COMMAND...
    local probe_name=$1
    shift
    "$@"
    check "lab.$probe_name" $? "the lab is not as the scenario needs: $*"
}
fails() { ! "$@"; }
probe_working_internet() {
    probe gateway-answers lab_reaches "$LAB_GATEWAY"
    probe isp-answers lab_reaches "$LAB_ISP_PROBE"
    probe search-page-served lab_serves "$LAB_SEARCH_WEB" "$LAB_SEARCH_TITLE"
    probe dead-address-silent fails lab_reaches "$LAB_DEAD_ADDRESS"
}
probe_adapter_dns() {
    probe adapter-dns-answers lab_resolves "$LAB_ADAPTER_DNS" "lab-probe.$LAB_VENDOR_HOST" "$LAB_VENDOR_WEB"
}
probe_reseller_dns() {
    probe reseller-dns-answers lab_resolves "$LAB_RESELLER_DNS" "lab-probe.$LAB_SEARCH_HOST" "$LAB_SEARCH_WEB"
}
probe_standard() { probe_working_internet; probe_adapter_dns; probe_reseller_dns; }

# --- the machine's registry, as Windows keeps it --------------------------------------
# The adapter's key is named after the Linux interface index, as Wine names it.
adapter_key() {              # adapter_key [INTERFACE]: lan0 unless named
    local index
    index=$(ip -o link show "${1:-lan0}" 2>/dev/null | cut -d: -f1)
    [ -n "$index" ] && printf 'HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{%08X-0000-0000-0000-4E6574446576}' "$index"
}
settings_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings'

multi() {                   # multi TEXT...: a REG_MULTI_SZ value in .reg notation
    local text bytes=()
    for text in "$@"; do bytes+=($(printf '%s' "$text" | od -An -tx1 -v) 00); done
    bytes+=(00)
    local IFS=,
    echo "hex(7):${bytes[*]}"
}
reg_lines=()
reg_value() { reg_lines+=("\"$1\"=$2"); }
reg_key() { reg_lines+=("" "[$1]"); }

seed_dhcp_adapter() {       # seed_dhcp_adapter ADDRESS MASK GATEWAY DNS
    reg_key "$(adapter_key)"
    reg_value EnableDHCP dword:00000001
    reg_value IPAddress "$(multi 0.0.0.0)"
    reg_value SubnetMask "$(multi 0.0.0.0)"
    reg_value DefaultGateway "$(multi)"
    reg_value NameServer '""'
    reg_value Domain '""'
    reg_value DhcpIPAddress "\"$1\""
    reg_value DhcpSubnetMask "\"$2\""
    [ -n "$3" ] && reg_value DhcpServer "\"$LAB_GATEWAY\"" && reg_value DhcpDefaultGateway "$(multi "$3")"
    reg_value DhcpNameServer "\"$4\""
    reg_value DhcpDomain '"lab"'
}
seed_proxy() {              # seed_proxy 0|1
    reg_key "$settings_key"
    reg_value ProxyEnable "dword:0000000$1"
    reg_value ProxyServer "\"$LAB_PROXY\""
}
seed_lab_machine() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_ADAPTER_DNS"
    seed_proxy 0
}
seed_static_machine() {     # seed_static_machine [GATEWAY]: settings typed in by the user, the proxy off
    reg_key "$(adapter_key)"
    reg_value EnableDHCP dword:00000000
    reg_value IPAddress "$(multi "$LAB_PC_ADDRESS")"
    reg_value SubnetMask "$(multi "$LAB_MASK")"
    reg_value DefaultGateway "$(multi "${1:-$LAB_GATEWAY}")"
    reg_value DefaultGatewayMetric "$(multi 0)"
    reg_value NameServer "\"$LAB_ADAPTER_DNS\""
    reg_value Domain '""'
    seed_proxy 0
}
seed_registry() {
    [ ${#reg_lines[@]} -eq 0 ] && return 0
    printf '%s\r\n' REGEDIT4 "${reg_lines[@]}" "" >"$lab_folder/seed.reg"
    timeout 60 "$LAB_WINE" reg import 'C:\lab\seed.reg' >/dev/null 2>&1
    local status=$?
    rm -f "$lab_folder/seed.reg"
    return $status
}

# --- following a run ---------------------------------------------------------------------
stage_names=("" "network settings" "local connection" "ISP connection" "name resolution"
    "browser settings")
run_position() {            # the latest run's stage, and whether a repair is under way in it
    awk '/\] start plover tool/ {stage = 0; repair = 0}
         /\] finish step completed: / {stage = $NF; repair = 0}
         /try to repair|start repair2|ping gatewaw fail|same subnet as IP address - fail/ {repair = 1}
         END {print stage + 0, repair + 0}' "$log" 2>/dev/null || echo "0 0"
}

# follow_run LIMIT EXITS: until the log holds EXITS "Exiting thread" lines
# (0), the restart question is up (2) or LIMIT seconds have passed (1).
# Says the stage on every change and every 20 s; shoots each repair notice.
followed=
follow_run() {
    local begin last_say stage repair position where
    begin=$(date +%s) last_say=$begin
    while [ $(($(date +%s) - begin)) -lt $(($1 * LAB_SLOW)) ]; do
        read -r stage repair < <(run_position)
        position="$(count_lines 'start plover tool') $stage $repair"
        where="stage $stage ${stage_names[$stage]:-}$([ "$repair" = 1 ] && echo ': repair under way')"
        [ "$stage" = 6 ] && where="failure panel"
        if [ "$position" != "$followed" ]; then
            [ "$stage" != 0 ] && say "$where"
            [[ $repair = 1 && $stage =~ ^[1-5]$ ]] && { sleep 1; shot "stage$stage-repair-notice"; }
            followed=$position last_say=$(date +%s)
        elif [ $(($(date +%s) - last_say)) -ge 20 ]; then
            say "$where ..."
            last_say=$(date +%s)
        fi
        at_least 'Exiting thread' "$2" && return 0
        named_window Warning >/dev/null && return 2
        sleep 0.5
    done
    return 1
}

# --- the panel on screen -------------------------------------------------------------------
# Compared with the reference screens of the window (the same window, played
# with scripted stages), leaving out the button row whose focus mark differs.
# Panels differ from each other by thousands of pixels; a few hundred allow
# for an animated picture caught in another frame.
panel_score() {             # panel_score SHOWN REFERENCE: the pixels that differ
    local score
    score=$(compare -metric AE -fuzz 8% "$1[440x425+0+0]" "$2[440x425+0+0]" null: 2>&1 | cut -d' ' -f1)
    score=${score%%.*}
    [[ $score =~ ^[0-9]+$ ]] && echo "$score" || echo 999999999
}
judge_panel() {             # judge_panel CLIENT.png: the panel's name, or "unknown"
    local best=unknown best_score=3001 reference score
    [ -f "$1" ] || { echo none; return; }
    for reference in "$LAB_REFERENCES"/*.png; do
        score=$(panel_score "$1" "$reference")
        [ "$score" -lt "$best_score" ] && best_score=$score best=$(basename "$reference" .png)
    done
    echo "$best"
}
# wait_panel PANEL LIMIT: for a run whose log cannot be followed, until the
# screen shows PANEL (0), the program has ended (3) or LIMIT seconds passed.
wait_panel() {
    local begin shown status=1
    begin=$(date +%s) shown=$(mktemp --suffix=.png)
    while [ $(($(date +%s) - begin)) -lt "$2" ]; do
        running || { status=3; break; }
        client_shot "$shown" && [ "$(panel_score "$shown" "$LAB_REFERENCES/$1.png")" -le 3000 ] &&
            { status=0; break; }
        sleep 1
    done
    rm -f "$shown"
    [ $status -eq 0 ] && say "the screen shows the $1 panel"
    return $status
}
final_screen() {            # final_screen NAME: a screenshot, and the panel it shows
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
expect_panel() {
    local shown
    shown=$(cat "$out/panel" 2>/dev/null)
    [ "$shown" = "$1" ]
    check "panel.$1" $? "the screen shows '$shown'"
}

# --- the log --------------------------------------------------------------------------------
log_text() { sed -e 's/^\[[^]]*\] //' -e 's/\r$//' "$log" 2>/dev/null; }
# expect_lines NAME TEXT...: each TEXT in a later line than the one before;
# a TEXT that starts with "=" is the whole line, trailing blanks included.
expect_lines() {
    local check_name=$1 missing
    shift
    missing=$(log_text | awk -v n=$# '
        BEGIN { for (i = 1; i <= n; i++) want[i] = ARGV[i]; ARGC = 1; k = 1 }
        k <= n && (substr(want[k], 1, 1) == "=" ? $0 == substr(want[k], 2) : index($0, want[k])) { k++ }
        END { if (k <= n) print want[k] }' "$@")
    [ -z "$missing" ]
    check "log.$check_name" $? "missing or out of order: '$missing'"
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

# --- the machine state afterwards ---------------------------------------------------------------
reg_query() {               # reg_query KEY FILE: the key's values, or "absent"
    if timeout 30 "$LAB_WINE" reg query "$1" >"$2.raw" 2>/dev/null; then tr -d '\r' <"$2.raw" >"$2"
    else echo absent >"$2"; fi
    rm -f "$2.raw"
}
reg_export() {              # reg_export KEY FILE: every byte of the key's values
    rm -f "$lab_folder/export.reg"
    [ -n "$1" ] && timeout 30 "$LAB_WINE" reg export "$1" 'C:\lab\export.reg' /y >/dev/null 2>&1 &&
        mv "$lab_folder/export.reg" "$2"
}
collect_state() {
    local state=$out/state file
    rm -rf "$state"
    mkdir -p "$state"
    [ -n "$(adapter_key)" ] && reg_query "$(adapter_key)" "$state/interface-key.txt"
    reg_export "$(adapter_key)" "$state/interface-key.reg"
    reg_query "$settings_key" "$state/internet-settings.txt"
    reg_query 'HKEY_LOCAL_MACHINE\Software\PloverTool' "$state/resume-marker.txt"
    reg_query 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run' "$state/run-key.txt"
    for file in "$etc_folder"/*; do [ -f "$file" ] && cp "$file" "$state/etc-$(basename "$file")"; done
    (cd "$temp" && find . -maxdepth 1 -type f -printf '%f %s\n' | sort) >"$state/temp-folder.txt"
    cat "$lab_folder/calls.txt" 2>/dev/null | tr -d '\r' >"$state/commands.txt"
    (cd "$lab_folder/tasks" && for file in *; do
        [ -f "$file" ] && printf '%s: %s\n' "$file" "$(tr -d '\r' <"$file")"
    done) >"$state/scheduled-tasks.txt"
    cp "$log" "$out/PloverToollog" 2>/dev/null
    return 0
}
value_of() {                # value_of FILE NAME: a value's data in a reg query dump
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print; found = 1 }
                      END { if (!found) exit 1 }' "$1"
}
expect_value() {            # expect_value NAME FILE VALUE DATA
    local data
    data=$(value_of "$out/state/$2" "$3")
    [ "$data" = "$4" ]
    check "state.$1" $? "$3 is '$data', not '$4'"
}
temp_has() { grep -q "^$1 " "$out/state/temp-folder.txt"; }
etc_file() {                # etc_file NAME: the state's copy of an etc file, any letter case
    local file
    for file in "$out"/state/etc-*; do
        [ "$(basename "${file,,}")" = "etc-${1,,}" ] && { echo "$file"; return 0; }
    done
    return 1
}

# --- the reference screens ------------------------------------------------------------------
# references_prepare PREFIX: LAB_REFERENCES, the folder of the reference
# screens, drawn once per build of the scene program in a namespace with
# only loopback (the scenes touch no network).
references_prepare() {
    LAB_REFERENCES=$lab_root/build/lab/panel-references/$(sha256sum "$LAB_SCENES" | cut -c1-16)
    export LAB_REFERENCES
    [ -f "$LAB_REFERENCES/.ready" ] && return 0
    echo "lab: drawing the reference screens of every panel"
    rm -rf "$LAB_REFERENCES"
    mkdir -p "$LAB_REFERENCES/screens"
    prefix_restore "$1"
    WINEPREFIX=$1 lab_alone references timeout --kill-after=10 300 \
        bash "$session_lib/session.sh" references_draw ||
        { echo "lab: the reference screens failed" >&2; return 1; }
    touch "$LAB_REFERENCES/.ready"
}
references_draw() {         # inside: one scene per panel
    local status=0 pair
    log=$(temp_folder)/PloverToollog out=$LAB_REFERENCES
    trap 'wine_stop; screen_stop' EXIT
    screen_start || return 1
    scene() {               # scene PANEL SCENE FINAL-LINE CLOSE-BUTTON...
        local panel=$1 scene=$2 final=$3
        shift 3
        rm -f "$log"
        start_program "$LAB_SCENES" "$scene"
        wait_window 30 || { echo "references: no window for $scene" >&2; status=1; return; }
        settle
        if [ "$panel" = success ]; then
            client_shot "$out/welcome.png"
            import -window root "$out/screens/welcome.png"
        fi
        click "${RUN_WELCOME[@]}"
        wait_line "$final" 40 && wait_line "Exiting thread" 10 ||
            { echo "references: scene $scene did not end" >&2; status=1; }
        settle
        client_shot "$out/$panel.png"
        import -window root "$out/screens/$panel.png"
        click "$@"
        wait_gone 15 || kill "$program_pid" 2>/dev/null
    }
    scene success repair "step browsing net pass show final panel" "${CLOSE_WELCOME[@]}"
    for pair in adapter:adapter nointernet:nointernet router:router support:support browser:browser; do
        scene "${pair%%:*}" "${pair#*:}" "finish step completed: 6" "${CLOSE_FAILURE[@]}"
    done
    return $status
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then "$@"; fi
