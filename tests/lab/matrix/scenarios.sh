# The fault matrix: what the lab breaks, and what the program must do about
# it. Sourced on the host side by run-scenario.sh (network_*: the lab's
# network for the scenario) and inside the computer's namespace by
# session.sh (seed_*: the prefix's fault; drive_*: the clicks; judge_*: the
# checks). Function names use the scenario's name with "_" for "-".
#
# Per scenario: title, the fault, the expected outcome, whether the test
# command's lab tier runs it (ci) and the bound of its Wine session in
# seconds.

SCENARIOS=(healthy no-adapter self-assigned winsock-no winsock-yes resumed gateway-outside
    gateway-down isp-down dead-dns hosts-hijack proxy-on browser-settings-missing cancel)

declare -A TITLE FAULT EXPECT CI LIMIT

# The adapter's DNS server is a hostile responder (tests/lab/hostile-dns),
# one kind of bad reply per scenario; the reseller's servers are sound.
# A reply whose whole address records come before the damage answers, and
# the run passes without a repair; every other kind ends the lookup in an
# error, so the run repairs as with a dead server.
DNS_SOUND_KINDS=(counts-beyond answer-flood truncated)
DNS_FAILING_KINDS=(short-datagram compression-loop forward-pointer pointer-out-of-range
    reserved-label-bits rdlength-past-end wrong-id other-address other-port unknown-types silence)
DNS_SCENARIOS=()
for kind in "${DNS_FAILING_KINDS[@]}" "${DNS_SOUND_KINDS[@]}"; do DNS_SCENARIOS+=("dns-$kind"); done
SCENARIOS+=("${DNS_SCENARIOS[@]}")
for kind in "${DNS_FAILING_KINDS[@]}" "${DNS_SOUND_KINDS[@]}"; do
    TITLE[dns-$kind]="Hostile DNS server: $kind"
    FAULT[dns-$kind]="the adapter's DNS server 192.0.2.53 sends $(python3 \
        "$(dirname "${BASH_SOURCE[0]}")/../hostile-dns/responder.py" --describe "$kind" | cut -f2)"
    EXPECT[dns-$kind]="hosts repair, then the reseller's servers written: success panel"
    CI[dns-$kind]=no LIMIT[dns-$kind]=300
done
for kind in "${DNS_SOUND_KINDS[@]}"; do
    EXPECT[dns-$kind]="the whole address record before the damage answers: success panel, no repair"
done
CI[dns-compression-loop]=yes CI[dns-wrong-id]=yes

TITLE[healthy]="Healthy network"
FAULT[healthy]="none: adapter, router, ISP, DNS and web servers all work"
EXPECT[healthy]="all five stages pass, success panel"
CI[healthy]=yes LIMIT[healthy]=240

TITLE[no-adapter]="No network adapter"
FAULT[no-adapter]="the computer's namespace has only loopback"
EXPECT[no-adapter]="adapter restart tried, adapter failure panel"
CI[no-adapter]=yes LIMIT[no-adapter]=120

TITLE[self-assigned]="Self-assigned address"
FAULT[self-assigned]="the adapter holds only 169.254.7.7/16 (no DHCP answer)"
EXPECT[self-assigned]="address renewal, then the restart repair finds a healthy Winsock catalog: no-Internet panel"
CI[self-assigned]=no LIMIT[self-assigned]=300

TITLE[winsock-no]="Corrupted Winsock, restart declined"
FAULT[winsock-no]="self-assigned address and netsh failing with error 10107"
EXPECT[winsock-no]="Winsock reset, restart question answered No: nothing scheduled, no-Internet panel"
CI[winsock-no]=no LIMIT[winsock-no]=360

TITLE[winsock-yes]="Corrupted Winsock, restart accepted"
FAULT[winsock-yes]="self-assigned address and netsh failing with error 10107"
EXPECT[winsock-yes]="Winsock reset, restart question answered Yes: resume marker and log-on start written, restart issued"
CI[winsock-yes]=yes LIMIT[winsock-yes]=360

TITLE[resumed]="Run resumed after the restart"
FAULT[resumed]="as above, Yes, then the lab restarts the computer and runs its log-on start"
EXPECT[resumed]="the run starts by itself, marker and schedule removed, no second restart offered: no-Internet panel"
CI[resumed]=no LIMIT[resumed]=600

TITLE[gateway-outside]="Gateway outside the subnet"
FAULT[gateway-outside]="static settings: 10.77.0.2/24 with the gateway 10.76.0.1"
EXPECT[gateway-outside]="switch to DHCP, then the no-Internet panel"
CI[gateway-outside]=no LIMIT[gateway-outside]=300

TITLE[gateway-down]="Gateway not answering"
FAULT[gateway-down]="the router ignores echo requests"
EXPECT[gateway-down]="firewall step, switch to DHCP, the gateway from the registry, then the router message panel"
CI[gateway-down]=yes LIMIT[gateway-down]=420

TITLE[isp-down]="ISP unreachable"
FAULT[isp-down]="nothing behind the router answers"
EXPECT[isp-down]="switch to DHCP, then the support message panel; stages 4 and 5 never run"
CI[isp-down]=yes LIMIT[isp-down]=420

TITLE[dead-dns]="Dead DNS server"
FAULT[dead-dns]="the adapter's DNS server 192.0.2.53 does not answer; the reseller's servers do"
EXPECT[dead-dns]="hosts repair, then the reseller's servers written: success panel"
CI[dead-dns]=yes LIMIT[dead-dns]=300

TITLE[hosts-hijack]="Hijacked hosts file"
FAULT[hosts-hijack]="the hosts file sends both probe hosts to the dead address 10.77.0.66, twice"
EXPECT[hosts-hijack]="hosts repair, success panel; the user's original hosts file kept, also after a second run"
CI[hosts-hijack]=yes LIMIT[hosts-hijack]=300

TITLE[proxy-on]="Proxy switched on"
FAULT[proxy-on]="ProxyEnable = 1 (a proxy at 10.77.0.8:3128)"
EXPECT[proxy-on]="proxy switched off, success panel"
CI[proxy-on]=yes LIMIT[proxy-on]=240

TITLE[browser-settings-missing]="Browser settings missing"
FAULT[browser-settings-missing]="the user's Internet Settings key is gone (a damaged profile)"
EXPECT[browser-settings-missing]="the proxy cannot be switched off: browser settings failure panel"
CI[browser-settings-missing]=yes LIMIT[browser-settings-missing]=240

TITLE[cancel]="Cancel, then a new run"
FAULT[cancel]="none; the user presses Cancel during stage 2 and Run Test at once and again later"
EXPECT[cancel]="the cancelled run ends before a new one starts; the new run ends on the success panel"
CI[cancel]=yes LIMIT[cancel]=300

# --- the network of each scenario (host side) ------------------------------------
network_standard() {
    lab_link
    lab_address 10.77.0.2/24 10.77.0.1
    lab_internet_up
    lab_services "$@"
}
network_healthy() { network_standard; }
network_no_adapter() { :; }
network_self_assigned() {
    lab_link
    lab_address 169.254.7.7/16
}
network_winsock_no() { network_self_assigned; }
network_winsock_yes() { network_self_assigned; }
network_resumed() { network_self_assigned; }
network_gateway_outside() {
    lab_link
    lab_address 10.77.0.2/24 10.76.0.1 onlink
    lab_internet_up
    lab_services
}
network_gateway_down() {
    network_standard
    lab_router_silent
}
network_isp_down() {
    # The servers are up behind the line, so a request that reached them
    # would show in their logs.
    network_standard
    lab_internet_down
}
network_dead_dns() { network_standard --no-adapter-dns; }
network_hosts_hijack() { network_standard; }
network_proxy_on() { network_standard; }
network_browser_settings_missing() { network_standard; }
network_cancel() { network_standard; }

# --- what the lab must be before the program starts (host side) --------------------
# probe NAME COMMAND...: one check of the lab itself, in OUT/lab-checks.tsv.
probe() {
    local name=$1
    shift
    if "$@"; then
        printf 'lab.%s\tok\t\n' "$name" >>"$out/lab-checks.tsv"
    else
        printf 'lab.%s\tfail\tthe lab is not as the scenario needs: %s\n' "$name" "$*" \
            >>"$out/lab-checks.tsv"
    fi
}
fails() { ! "$@"; }
probe_working_internet() {
    probe gateway-answers lab_reaches 10.77.0.1
    probe isp-answers lab_reaches 198.41.0.4
    probe search-page-served lab_serves "$LAB_SEARCH_WEB" Google
    probe dead-address-silent fails lab_reaches "$LAB_DEAD_ADDRESS"
}
probe_adapter_dns() {
    probe adapter-dns-answers lab_resolves "$LAB_ADAPTER_DNS" lab-probe.www.brackenfield.com \
        "$LAB_VENDOR_WEB"
}
probe_reseller_dns() {
    probe reseller-dns-answers lab_resolves "${LAB_RESELLER_DNS[0]}" lab-probe.www.google.com \
        "$LAB_SEARCH_WEB"
}
probe_standard() { probe_working_internet; probe_adapter_dns; probe_reseller_dns; }
probe_healthy() { probe_standard; }
probe_no_adapter() { probe loopback-only test "$(ip -n "$LAB_PC" -o link | wc -l)" -eq 1; }
probe_self_assigned() { probe no-default-route test -z "$(ip -n "$LAB_PC" route show default)"; }
probe_winsock_no() { probe_self_assigned; }
probe_winsock_yes() { probe_self_assigned; }
probe_resumed() { probe_self_assigned; }
probe_gateway_outside() { probe gateway-outside-silent fails lab_reaches 10.76.0.1; }
probe_gateway_down() {
    probe gateway-silent fails lab_reaches 10.77.0.1
    probe isp-silent fails lab_reaches 198.41.0.4
}
probe_isp_down() {
    probe gateway-answers lab_reaches 10.77.0.1
    probe isp-silent fails lab_reaches 198.41.0.4
    probe second-isp-silent fails lab_reaches 4.2.2.2
}
probe_dead_dns() {
    probe_working_internet
    probe adapter-dns-dead fails lab_resolves "$LAB_ADAPTER_DNS" lab-probe.www.google.com \
        "$LAB_SEARCH_WEB"
    probe_reseller_dns
}
probe_hosts_hijack() { probe_standard; }
probe_proxy_on() { probe_standard; }
probe_browser_settings_missing() { probe_standard; }
probe_cancel() { probe_standard; }

# --- what every judged run shares (session side) -----------------------------------
seed_lab_machine() {
    seed_dhcp_adapter 10.77.0.2 255.255.255.0 10.77.0.1 192.0.2.53
    seed_proxy 0
}

# run_once LIMIT: Run Test, the run to its end, the final screen.
run_once() {
    open_wizard
    welcome_screen
    press_run_test
    follow_run "$1" 1
    check run.ended $? "no 'Exiting thread' within $1 s"
    final_screen final
}

close_after_panel() {
    case $(cat "$out/panel") in
        welcome | success) close_wizard welcome ;;
        *) close_wizard failure ;;
    esac
}

# Runs never overlap: every start of a run follows the end of the one before.
expect_one_run_at_a_time() {
    local order
    order=$(log_text | awk '/^start plover tool/ {printf "S"} /^Exiting thread/ {printf "E"}')
    [[ "$order" =~ ^(SE)+$ ]]
    check log.one-run-at-a-time $? "run starts and ends in the order '$order'"
}

# The window's clean-up at close: no settings snapshot, no registry export.
expect_tidy_temp_folder() {
    ! temp_has 'Ploverregkey.*' && ! temp_has 'winsok2\.reg' && ! temp_has 'winsok\.reg'
    check state.temp-folder-tidy $? "left in Temp: $(tr '\n' ' ' <"$out/state/temp-folder.txt")"
}

expect_user_hosts_untouched() {
    local hosts
    hosts=$(etc_file hosts) && cmp -s "$hosts" <(prefix_user_hosts) && ! etc_file Hosts_OLD.txt >/dev/null
    check state.hosts-untouched $? "the hosts file or its backup changed"
}

expect_hosts_replaced() {   # the program's own hosts file: 21 bytes
    local hosts
    hosts=$(etc_file hosts) && cmp -s "$hosts" <(printf '\r\n127.0.0.1 localhost')
    check state.hosts-replaced $? "the hosts file is not the 21-byte replacement"
}

expect_no_resume_arrangements() {
    grep -qx absent "$out/state/resume-marker.txt" && [ ! -s "$out/state/scheduled-tasks.txt" ]
    check state.no-resume-arrangements $? "a resume marker or a log-on start is left"
}

# --- 1. healthy ----------------------------------------------------------------
seed_healthy() { seed_lab_machine; }
drive_healthy() {
    run_once 180
    close_after_panel
}
judge_healthy() {
    expect_panel success
    expect_lines five-stages-pass "hardware network adapter step pass" \
        "IP settings network adapter step pass" \
        "checking local connection step  ping on 127.0.0.1 -pass" \
        "checking local connection step ping pass on local IP address - pass" \
        "Default gateway is on the same subnet as IP address -pass" \
        "ISP check" "check name resolution good" "checking browser settings step - pass" \
        "step browsing net pass show final panel" "Exiting thread" "close Plover tool"
    expect_no_line no-repair "try to repair"
    expect_count five-stage-marks "finish step completed: 5" 2
    expect_one_run_at_a_time
    expect_value proxy-off internet-settings.txt ProxyEnable 0x0
    expect_value adapter-dns-kept interface-key.txt DhcpNameServer 192.0.2.53
    expect_user_hosts_untouched
    expect_tidy_temp_folder
    grep -q "^$LAB_VENDOR_WEB / BrackenfieldReporting" "$LAB_RUN/web.out"
    check peers.vendor-page-fetched $? "the vendor's web server saw no request"
    grep -q "query\[A\] www.google.com from 10.77.0.2" "$LAB_RUN/adapter-dns.out"
    check peers.adapter-dns-asked $? "the adapter's DNS server saw no query"
}

# --- 2. no adapter ------------------------------------------------------------------
seed_no_adapter() { seed_proxy 0; }
drive_no_adapter() {
    run_once 90
    close_after_panel
}
judge_no_adapter() {
    expect_panel adapter
    expect_lines adapter-repair "hardware check" "adapters found  0" \
        "no network adapter found try to repair" "adapters found  0" \
        "=no network adapter found " "Exiting thread"
    expect_no_line no-ip-settings-check "IP settings check"
    expect_no_line no-snapshot "delete PloverRegKey... file"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 3. self-assigned address -----------------------------------------------------------
seed_apipa_machine() {
    seed_dhcp_adapter 169.254.7.7 255.255.0.0 "" 192.0.2.53
    seed_proxy 0
}
seed_self_assigned() { seed_apipa_machine; }
drive_self_assigned() {
    run_once 240
    close_after_panel
}
expect_address_repairs() {
    expect_lines address-repair "IP settings check" \
        "no valid ip address found -try to repair  repair method1" \
        "no valid ip address found -after repair1" "OS is suitable for repair2"
}
judge_self_assigned() {
    expect_panel nointernet
    expect_address_repairs
    expect_lines healthy-winsock "winsock is not corrupted" "check winsock result:  True" \
        "no valid ip address found. The connection couldn't be repaired good winsock" \
        "Exiting thread"
    expect_no_line no-reset "try to repair method2"
    grep -qx "netsh show" "$out/state/commands.txt" && ! grep -q "^netsh int ip reset" "$out/state/commands.txt"
    check state.only-winsock-checked $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
    expect_no_resume_arrangements
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 4. corrupted Winsock ----------------------------------------------------------------
seed_corrupted_winsock() {
    seed_apipa_machine
    touch "$lab_folder/winsock-corrupted"
}
# up_to_restart_question: Run Test, then the run up to the question.
up_to_restart_question() {
    open_wizard
    welcome_screen
    press_run_test
    follow_run 300 1
    [ $? -eq 2 ]
    check run.restart-question $? "no restart question"
    settle
    shot restart-question
}
expect_winsock_reset() {
    expect_lines winsock-reset "winsock is corrupted" "check winsock result:  False" \
        "no valid ip address found -try to repair method2" "reboot command params: " \
        "netsh int ip reset C:\\users\\" "pos completed" \
        "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f" \
        "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f" \
        "reg import C:\\users\\" "netsh winsock reset catalog > C:\\users\\" \
        "pos Sucessfully reset" "delete winsokans"
    [ ! -e "$lab_folder/winsock-corrupted" ]
    check state.catalog-reset $? "netsh winsock reset catalog never ran"
    temp_has resetlog.txt && ! temp_has winsockans.txt && ! temp_has winsoktemp
    check state.reset-files $? "Temp: $(tr '\n' ' ' <"$out/state/temp-folder.txt")"
}
seed_winsock_no() { seed_corrupted_winsock; }
drive_winsock_no() {
    up_to_restart_question
    xdotool key n
    follow_run 60 1
    check run.ended $? "no 'Exiting thread' after No"
    final_screen final
    close_after_panel
}
judge_winsock_no() {
    expect_panel nointernet
    expect_address_repairs
    expect_winsock_reset
    expect_lines declined "user choose do not restart PC" \
        "=no valid ip address found. The connection couldn't be repaired " "Exiting thread"
    expect_no_line no-restart "PC restarted"
    expect_no_resume_arrangements
    grep -q '^schtasks /create' "$out/state/commands.txt" &&
        grep -q '^schtasks /delete /tn PloverTool /f' "$out/state/commands.txt" &&
        ! grep -q '^shutdown' "$out/state/commands.txt"
    check state.schedule-undone $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# up_to_restart: the question answered Yes; the program hides and asks
# Windows to restart.
up_to_restart() {
    up_to_restart_question
    xdotool key y
    wait_count "PC restarted" 2 20
    check run.restart-issued $? "no 'PC restarted'"
    sleep 1
    final_screen restart-issued
}
expect_restart_arrangements() {
    expect_lines accepted "yes for repair2" "PC restarted" "PC restarted" "Exiting thread"
    [ "$(grep -c '^shutdown /r /t 0' "$out/state/commands.txt")" -eq 1 ]
    check state.restart-command $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
}
seed_winsock_yes() { seed_corrupted_winsock; }
drive_winsock_yes() { up_to_restart; }
judge_winsock_yes() {
    expect_panel hidden
    expect_address_repairs
    expect_winsock_reset
    expect_restart_arrangements
    expect_value resume-marker resume-marker.txt PloverReboot "sart on logon"
    grep -qxF 'PloverTool: C:\PloverTool\PloverTool.exe /waitsuspend' "$out/state/scheduled-tasks.txt"
    check state.logon-start $? "log-on start: $(cat "$out/state/scheduled-tasks.txt")"
    expect_tidy_temp_folder
}

# --- 5. resumed run ----------------------------------------------------------------------------
seed_resumed() { seed_corrupted_winsock; }
# The lab's restart: every program ends with the Wine session; then the
# log-on starts whatever the task scheduler holds.
restart_computer() {
    say "restarting the computer"
    wine_stop
    local task command
    for task in "$lab_folder"/tasks/*; do
        [ -f "$task" ] || continue
        command=$(tr -d '\r\n' <"$task")
        say "log-on start: $command"
        pushd "$exe_folder" >/dev/null || return 1
        # The task's command line is the program's path and its switch.
        start_program "${command%% /*}" "/${command#* /}"
        app_class=plovertool.exe
        popd >/dev/null || return 1
    done
}
drive_resumed() {
    up_to_restart
    restart_computer
    wait_window 30
    check resumed.window-shown $? "the log-on start showed no window"
    wait_line "it was restarted" 20
    check resumed.started-by-itself $? "no 'it was restarted'"
    wait_count "start plover tool" 2 10
    sleep 0.5
    shot resumed-run
    follow_run 240 2
    local status=$?
    [ $status -ne 2 ]
    check resumed.no-second-question $? "the restart was offered again"
    [ $status -eq 2 ] && xdotool key n && follow_run 60 2
    final_screen final
    close_after_panel
}
judge_resumed() {
    expect_panel nointernet
    expect_restart_arrangements
    expect_lines resumed "delete Software\\PloverTool key" "it was restarted" \
        "start plover tool" "no valid ip address found -after repair1" \
        "=no valid ip address found. The connection couldn't be repaired " "Exiting thread"
    expect_count one-restart-repair "OS is suitable for repair2" 1
    expect_count one-question "yes for repair2" 1
    expect_no_resume_arrangements
    grep -q '^schtasks /delete /tn PloverTool /f' "$out/state/commands.txt"
    check state.schedule-removed $? "no schtasks /delete"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 6. gateway outside the subnet ------------------------------------------------------------
seed_gateway_outside() {
    seed_static_adapter 10.77.0.2 255.255.255.0 10.76.0.1 192.0.2.53
    seed_proxy 0
}
drive_gateway_outside() {
    run_once 240
    close_after_panel
}
judge_gateway_outside() {
    expect_panel nointernet
    expect_lines subnet-repair "checking local connection step check subnet" \
        "Default gateway exists and is on the same subnet as IP address - fail" \
        "adapters count:" "enabledhcp gateway found" \
        "checking local connection step - fail Default gateway is not on the same subnet as IP address" \
        "Exiting thread"
    expect_no_line gateway-not-pinged "ping gateway:"
    expect_value dhcp-switched-on interface-key.txt EnableDHCP 0x1
    expect_no_value static-gateway-removed interface-key.txt DefaultGateway
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 7. gateway not answering ---------------------------------------------------------------------
seed_gateway_down() { seed_lab_machine; }
drive_gateway_down() {
    run_once 360
    close_after_panel
}
judge_gateway_down() {
    expect_panel router
    expect_lines gateway-repairs "ping gatewaw- disable firewall" "ping gatewaw fail" \
        "adapters count:" "enabledhcp gateway found True" \
        "get gateway from registry:  10.77.0.1" "gateway from registry 10.77.0.1" \
        "ping host: 10.77.0.1" "fail message Your computer cannot reach your router" \
        "checking local connection step - fail ping on gateway - fail" "Exiting thread"
    expect_no_line isp-not-checked "ISP check"
    expect_value dhcp-on interface-key.txt EnableDHCP 0x1
    expect_no_value static-gateway-removed interface-key.txt DefaultGateway
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 8. ISP unreachable ----------------------------------------------------------------------------
seed_isp_down() { seed_lab_machine; }
drive_isp_down() {
    run_once 360
    # The support panel's other button: the contact dialog.
    click "${CONTACT_CANCEL[@]}"
    local dialog
    dialog=$(window_by_name "Contact Information" 10)
    check contact.dialog-shown $? "no contact dialog"
    settle
    shot contact-dialog
    if [ -n "$dialog" ]; then
        local dx dy
        read -r dx dy < <(origin "$dialog" 232 149)
        xdotool mousemove $((dx + 114)) $((dy + 130)) click 1
        sleep 0.5
        ! window_by_name "Contact Information" 1 >/dev/null
        check contact.dialog-closed $? "OK did not close it"
    fi
    close_after_panel
}
judge_isp_down() {
    expect_panel support
    expect_lines isp-repair "ISP check" "checking ISP connection step error - try to repair" \
        "adapters count:" "enabledhcp gateway found True" "ISP check" \
        "fail message Harbourline Premium Support" \
        "checking ISP connection step - fail couldn.t be repaired" "Exiting thread"
    expect_no_line no-name-resolution "check name resolution"
    expect_no_line no-browser-settings "browser settings"
    expect_no_line no-browser-settings-repair "Browser settings"
    [ ! -s "$LAB_RUN/web.out" ]
    check peers.no-page-fetched $? "a web server saw a request"
    expect_value dhcp-on interface-key.txt EnableDHCP 0x1
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 9. dead DNS server ---------------------------------------------------------------------------------
seed_dead_dns() { seed_lab_machine; }
drive_dead_dns() {
    run_once 240
    close_after_panel
}
judge_dead_dns() {
    expect_panel success
    expect_lines reseller-dns "dnsquery DNSserver:  192.0.2.53" "dnsipcatch 0.0.0.0" \
        "check name resolution step - fail try to repair" "replace host file" \
        "check name resolution-fail write dns from provider" "writed dhcp dns" \
        "dnsquery DNSserver:  198.51.100.53" "check name resolution step repaired" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_value reseller-name-servers interface-key.txt NameServer "198.51.100.53,203.0.113.53"
    expect_value reseller-dhcp-name-servers interface-key.txt DhcpNameServer \
        "198.51.100.53,203.0.113.53"
    grep -q "query\[A\] www.brackenfield.com from 10.77.0.2" "$LAB_RUN/reseller-dns.out"
    check peers.reseller-dns-asked $? "the reseller's DNS server saw no query"
    # The hosts repair came first and stays: the user's file is the backup.
    expect_hosts_replaced
    local backup
    backup=$(etc_file Hosts_OLD.txt) && cmp -s "$backup" <(prefix_user_hosts)
    check state.user-hosts-kept $? "Hosts_OLD.txt is not the user's hosts file"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 10. hijacked hosts file ------------------------------------------------------------------------
hijacked_hosts() {          # hijacked_hosts ADDRESS: the user's file with the probe hosts sent there
    prefix_user_hosts
    printf '%s\r\n' "$1      www.brackenfield.com" "$1      www.google.com"
}
seed_hosts_hijack() {
    seed_lab_machine
    hijacked_hosts "$LAB_DEAD_ADDRESS" >"$etc_folder/hosts"
}
drive_hosts_hijack() {
    run_once 180
    # The hijacker strikes again (another dead address), and the user runs
    # the test once more from the success panel.
    rm -f "$etc_folder"/[hH][oO][sS][tT][sS]
    hijacked_hosts 10.77.0.67 >"$etc_folder/hosts"
    click "${RUN_WELCOME[@]}"
    sleep 0.4
    shot second-run
    follow_run 180 2
    check run.second-run-ended $? "the second run did not end"
    final_screen final
    close_after_panel
}
judge_hosts_hijack() {
    expect_panel success
    expect_lines hosts-repaired-twice "ip: $LAB_DEAD_ADDRESS host: www.brackenfield.com" \
        "name res ip found: $LAB_DEAD_ADDRESS" "check name resolution step - fail try to repair" \
        "replace host file" "check name resolution step repaired" \
        "step browsing net pass show final panel" "rerun Plover tool" \
        "name res ip found: 10.77.0.67" "replace host file" "check name resolution step repaired" \
        "step browsing net pass show final panel"
    expect_no_line no-reseller-dns "write dns from provider"
    expect_hosts_replaced
    local backup
    backup=$(etc_file Hosts_OLD.txt) && cmp -s "$backup" <(hijacked_hosts "$LAB_DEAD_ADDRESS")
    check state.original-kept $? "Hosts_OLD.txt is not the file the user had before the first run"
    local file kept=1
    for file in "$out"/state/etc-*; do cmp -s "$file" <(hijacked_hosts 10.77.0.67) && kept=0; done
    check state.second-file-kept $kept "the file of the second run was not saved"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 11. proxy switched on ---------------------------------------------------------------------------
seed_proxy_on() {
    seed_dhcp_adapter 10.77.0.2 255.255.255.0 10.77.0.1 192.0.2.53
    seed_proxy 1
}
drive_proxy_on() {
    run_once 180
    close_after_panel
}
judge_proxy_on() {
    expect_panel success
    expect_lines proxy-repaired "check name resolution good" \
        "checking Browser settings - fail try to repair" \
        "checking browser settings step - pass repaired" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_value proxy-off internet-settings.txt ProxyEnable 0x0
    expect_value proxy-server-kept internet-settings.txt ProxyServer 10.77.0.8:3128
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 11b. the browser settings key missing --------------------------------------------------
seed_browser_settings_missing() {
    seed_dhcp_adapter 10.77.0.2 255.255.255.0 10.77.0.1 192.0.2.53
    reg_key "-$settings_key"
}
drive_browser_settings_missing() {
    run_once 180
    close_after_panel
}
judge_browser_settings_missing() {
    expect_panel browser
    expect_lines proxy-not-repaired "checking Browser settings - fail try to repair" \
        "=checking browser settings step - fail " "Exiting thread"
    grep -qx absent "$out/state/internet-settings.txt"
    check state.key-not-created $? "the Internet Settings key was created"
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# --- 12. Cancel, then a new run -------------------------------------------------------------------------
seed_cancel() { seed_lab_machine; }
drive_cancel() {
    open_wizard
    welcome_screen
    press_run_test
    wait_line "start checking local connection step" 60
    check cancel.stage-two-reached $? "stage 2 never began"
    click "${CONTACT_CANCEL[@]}"
    settle
    shot cancelled
    # Run Test at once: the cancelled run has not ended yet.
    click "${RUN_WELCOME[@]}"
    sleep 0.5
    [ "$(count_lines 'start plover tool')" -eq 1 ]
    check cancel.no-run-beside-the-first $? "a second run started beside the first"
    follow_run 60 1
    check cancel.first-run-ended $? "the cancelled run did not end"
    settle
    click "${RUN_WELCOME[@]}"
    wait_count "start plover tool" 2 10
    check cancel.new-run-started $? "Run Test started nothing after the run ended"
    follow_run 180 2
    check run.ended $? "the new run did not end"
    final_screen final
    close_after_panel
}
judge_cancel() {
    expect_panel success
    expect_lines cancelled-then-new "start plover tool" "start checking local connection step" \
        "Exiting thread" "start plover tool" "step browsing net pass show final panel" \
        "Exiting thread"
    expect_count one-success "step browsing net pass show final panel" 1
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}

# ===== the log and the Temp folder made hostile ===================================
# The healthy network each time; what works against the program is its own
# computer: another process holds the log without sharing, the Temp folder's
# disk is full, the log cannot be written at all. The run must still reach
# its panel, losing lines silently; the end is judged on the screen, since
# the log cannot be followed.
SCENARIOS+=(log-held temp-full log-read-only)
declare -A OWN_MOUNTS

TITLE[log-held]="Log held by another process"
FAULT[log-held]="a second process holds the log open without sharing from before Run Test until 8 s into its 13 s run"
EXPECT[log-held]="success panel; no lines while held, the lines after the release in the log"
CI[log-held]=yes LIMIT[log-held]=240

TITLE[temp-full]="Temp folder on a full disk"
FAULT[temp-full]="the Temp folder is a 256 KiB tmpfs filled up to its last 4 KiB page"
EXPECT[temp-full]="success panel; the log is what fitted, whole lines only"
CI[temp-full]=yes LIMIT[temp-full]=240 OWN_MOUNTS[temp-full]=yes

TITLE[log-read-only]="Log that cannot be written"
FAULT[log-read-only]="the log of an earlier run is immutable (chattr +i, on a tmpfs over Temp)"
EXPECT[log-read-only]="success panel; the log exactly as it was"
CI[log-read-only]=no LIMIT[log-read-only]=240 OWN_MOUNTS[log-read-only]=yes

network_log_held() { network_standard; }
network_temp_full() { network_standard; }
network_log_read_only() { network_standard; }
probe_log_held() { probe_standard; }
probe_temp_full() { probe_standard; }
probe_log_read_only() { probe_standard; }

# The log as the program names it: C:\users\<user>\Temp\PloverToollog.
windows_log_path() { printf 'C:\\users\\%s\\Temp\\PloverToollog' "$(basename "$(dirname "$temp")")"; }

# No fragment in the log: a line cut short would have the next line's stamp
# glued on, so a stamp may only open a line (a message may run over several
# lines of its own), and the file ends with a line break.
expect_whole_lines() {
    [ -s "$log" ] && [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' ')" = 0d0a ] &&
        ! grep -aqE '.\[[0-9]+/[0-9]+/[0-9]{4}( [0-9:]+ [AP]M)?\] ' "$log"
    check log.whole-lines $? "a line cut short, or no line break at the end"
}

# Run Test, then the run to its panel watched on the screen.
run_to_panel_on_screen() {  # run_to_panel_on_screen PANEL LIMIT
    wait_panel "$1" "$2"
    check run.panel-on-screen $? "the screen did not show the $1 panel within $2 s"
    final_screen final
}

# A run judged by its panel and Temp folder; the log has its own checks.
expect_healthy_end() {
    expect_panel success
    expect_value proxy-off internet-settings.txt ProxyEnable 0x0
    expect_user_hosts_untouched
    expect_tidy_temp_folder
    grep -q "^$LAB_VENDOR_WEB / BrackenfieldReporting" "$LAB_RUN/web.out"
    check peers.vendor-page-fetched $? "the vendor's web server saw no request"
}

# --- log held by another process -------------------------------------------------
seed_log_held() { seed_lab_machine; }
holder_pid=
hold_log() {
    "$driver_wine" 'C:\lab\holdfile.exe' "$(windows_log_path)" >/dev/null 2>&1 &
    holder_pid=$!
    local _
    for _ in $(seq 300); do [ -f "$lab_folder/hold.ready" ] && return 0; sleep 0.1; done
    return 1
}
release_log() {
    touch "$lab_folder/hold.release"
    local _
    for _ in $(seq 150); do kill -0 "$holder_pid" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
drive_log_held() {
    open_wizard
    welcome_screen
    cp "$log" "$out/log-before-hold" 2>/dev/null
    hold_log
    check holder.holds-log $? "the second process did not get hold of the log"
    press_run_test
    # The run's pauses keep it going for some 13 s after the click: its
    # first two stages are over within 5 s, its last lines come after 12 s.
    sleep 8
    kill -0 "$holder_pid" 2>/dev/null
    check holder.held-to-release $? "the second process let go before the release"
    release_log
    check holder.let-go $? "the second process did not end after the release"
    run_to_panel_on_screen success 150
    wait_count "Exiting thread" 1 20
    check log.lines-resumed $? "no 'Exiting thread' after the release"
    close_after_panel
}
judge_log_held() {
    expect_healthy_end
    [ -s "$out/log-before-hold" ] && cmp -s -n "$(stat -c %s "$out/log-before-hold")" \
        "$out/log-before-hold" "$log"
    check log.record-before-hold-kept $? "the log no longer starts with what it held before"
    expect_no_line held-start-lost "start plover tool"
    expect_no_line held-stage1-lost "hardware network adapter step pass"
    expect_no_line held-stage2-lost "checking local connection step  ping on 127.0.0.1 -pass"
    expect_lines after-release "step browsing net pass show final panel" "Exiting thread" \
        "close Plover tool"
    expect_whole_lines
}

# --- Temp folder on a full disk ------------------------------------------------------
temp_room=4096
seed_temp_full() {
    seed_lab_machine
    mount -t tmpfs -o size=256k hlog-full-temp "$temp"
    check temp.mounted $? "no tmpfs over $temp"
    # Fill the disk, then give back its last pages: the log gets what fits.
    cat /dev/zero >"$temp/filler" 2>/dev/null
    truncate -s "-$temp_room" "$temp/filler"
}
drive_temp_full() {
    open_wizard
    welcome_screen
    press_run_test
    run_to_panel_on_screen success 150
    close_after_panel
}
judge_temp_full() {
    expect_healthy_end
    [ "$(stat -c %s "$log" 2>/dev/null || echo 0)" -le "$temp_room" ]
    check log.what-fitted $? "the log holds $(stat -c %s "$log") bytes, more than the $temp_room left"
    expect_lines fitted-from-start "read information" "provider name" "start plover tool"
    # The lines that fitted came in the run's order; the rest (a whole run
    # writes twice the room) were lost.
    expect_lines fitted-in-order "start plover tool" "hardware check" "adapters found  1"
    expect_whole_lines
    temp_has filler
    check state.filler-kept $? "the lab's filler is gone"
}

# --- log that cannot be written ------------------------------------------------------
seed_log_read_only() {
    seed_lab_machine
    # On a tmpfs of the session's own, so the flag can never outlive it.
    mount -t tmpfs -o size=16m hlog-read-only-temp "$temp"
    check temp.mounted $? "no tmpfs over $temp"
    printf '%s\r\n' "[1/2/2026 9:00:00 AM] start plover tool " \
        "[1/2/2026 9:00:19 AM] Exiting thread " >"$temp/PloverToollog"
    cp "$temp/PloverToollog" "$out/log-before-run"
    chattr +i "$temp/PloverToollog"
    ! (: >>"$temp/PloverToollog") 2>/dev/null
    check log.immutable $? "the log is still writable"
}
drive_log_read_only() {
    open_wizard
    welcome_screen
    press_run_test
    run_to_panel_on_screen success 150
    close_after_panel
}
judge_log_read_only() {
    expect_healthy_end
    cmp -s "$out/log-before-run" "$log"
    check log.unchanged $? "the immutable log changed"
    chattr -i "$log"
}

# --- hostile DNS: the adapter's DNS server sends one kind of bad reply ---------------------
# lab_hostile_dns KIND: the responder on the adapter's DNS address; a
# misleading reply carries the dead address, and the other-address kind
# answers from 192.0.2.54.
lab_hostile_dns() {
    lab_peer adapter-dns /usr/bin/python3 "$lab_root/tests/lab/hostile-dns/responder.py" \
        --kind "$1" --listen "$LAB_ADAPTER_DNS" --other-address 192.0.2.54 \
        --answer www.brackenfield.com="$LAB_VENDOR_WEB" --answer www.google.com="$LAB_SEARCH_WEB" \
        --poison "$LAB_DEAD_ADDRESS" --lifetime "$LAB_PEER_LIFETIME"
}
network_hostile_dns() {
    lab_link
    lab_address 10.77.0.2/24 10.77.0.1
    lab_internet_up
    lab_hostile_dns "$1"
    lab_services --no-adapter-dns
}
probe_hostile_dns() {
    probe_working_internet
    local _
    for _ in $(seq 30); do
        ip netns exec "$LAB_NET" ss -Hlun "src $LAB_ADAPTER_DNS and sport = :53" | grep -q . && break
        sleep 0.1
    done
    probe adapter-dns-hostile ip netns exec "$LAB_NET" sh -c \
        "ss -Hlun 'src $LAB_ADAPTER_DNS and sport = :53' | grep -q ."
    probe_reseller_dns
}
# The responder saw the program's question for NAME (its log: "from ADDRESS:PORT id ID NAME").
expect_hostile_dns_asked() {
    grep -q "^from 10.77.0.2:[0-9]* id [0-9a-f]* $1" "$LAB_RUN/adapter-dns.out"
    check peers.adapter-dns-asked $? "the hostile DNS server saw no query for $1"
}
judge_hostile_dns_failing() {
    judge_dead_dns
    expect_no_line poisoned-address-unused "$LAB_DEAD_ADDRESS"
    expect_hostile_dns_asked www.brackenfield.com
}
judge_hostile_dns_sound() {
    expect_panel success
    expect_lines sound-records-answer "dnsquery DNSserver:  192.0.2.53" \
        "dnsipelse $LAB_VENDOR_WEB" "dnsipelse $LAB_SEARCH_WEB" "check name resolution good" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_value adapter-dns-kept interface-key.txt DhcpNameServer 192.0.2.53
    expect_user_hosts_untouched
    expect_one_run_at_a_time
    expect_tidy_temp_folder
    expect_hostile_dns_asked www.google.com
}
for kind in "${DNS_FAILING_KINDS[@]}" "${DNS_SOUND_KINDS[@]}"; do
    function=dns_${kind//-/_}
    eval "network_$function() { network_hostile_dns $kind; }"
    eval "probe_$function() { probe_hostile_dns; }"
    eval "seed_$function() { seed_lab_machine; }"
    eval "drive_$function() { drive_dead_dns; }"
done
for kind in "${DNS_FAILING_KINDS[@]}"; do eval "judge_dns_${kind//-/_}() { judge_hostile_dns_failing; }"; done
for kind in "${DNS_SOUND_KINDS[@]}"; do eval "judge_dns_${kind//-/_}() { judge_hostile_dns_sound; }"; done
