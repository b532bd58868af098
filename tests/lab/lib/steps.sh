# Steps and judges that several scenarios share, sourced by session.sh:
# starting, running and closing the wizard, the restart repair's path, the
# reseller's DNS repair, and a run whose log the lab makes hostile.

open_wizard() {             # from its own folder, as a user starts it (LAB_PROGRAM: another copy)
    local program=${LAB_PROGRAM:-'C:\PloverTool\PloverTool.exe'} folder
    folder=${program#C:\\}
    folder=${folder%\\*}
    pushd "$WINEPREFIX/drive_c/${folder//\\//}" >/dev/null || return 1
    start_program "$program"
    popd >/dev/null || return 1
    wait_window 30
    check window.shown $? "no wizard window"
    settle
}
start_run() {               # the wizard opened, its welcome screen, Run Test pressed
    open_wizard
    shot welcome
    press_run_test
}
press_run_test() {
    click "${RUN_WELCOME[@]}"
    sleep 0.4
    shot stage-list
}
run_once() {                # run_once LIMIT: Run Test, the run to its end, the final screen
    start_run
    follow_run "$1" 1
    check run.ended $? "no 'Exiting thread' within $1 s"
    final_screen final
}
close_wizard() {            # close_wizard welcome|failure: the Close button, then the end
    if [ "$1" = failure ]; then click "${CLOSE_FAILURE[@]}"; else click "${CLOSE_WELCOME[@]}"; fi
    wait_gone 20
    check window.closed $? "still running after Close"
}
close_after_panel() {
    case $(cat "$out/panel") in
        welcome | success) close_wizard welcome ;;
        *) close_wizard failure ;;
    esac
}

# --- judges of every run ----------------------------------------------------------------
expect_tidy_end() { expect_one_run_at_a_time; expect_tidy_temp_folder; }
expect_one_run_at_a_time() {    # every start of a run follows the end of the one before
    local order
    order=$(log_text | awk '/^start plover tool/ {printf "S"} /^Exiting thread/ {printf "E"}')
    [[ $order =~ ^(SE)+$ ]]
    check log.one-run-at-a-time $? "run starts and ends in the order '$order'"
}
expect_tidy_temp_folder() {     # [kept]: the close leaves no registry export, the settings snapshot only if kept
    ! temp_has 'winsok2\.reg' && ! temp_has 'winsok\.reg' &&
        if [ "${1:-}" = kept ]; then temp_has 'Ploverregkey.*'; else ! temp_has 'Ploverregkey.*'; fi
    check state.temp-folder-tidy $? "left in Temp: $(tr '\n' ' ' <"$out/state/temp-folder.txt")"
}
expect_user_hosts_untouched() {
    local hosts
    hosts=$(etc_file hosts) && cmp -s "$hosts" <(prefix_user_hosts) && ! etc_file Hosts_OLD.txt >/dev/null
    check state.hosts-untouched $? "the hosts file or its backup changed"
}
expect_hosts_replaced() {       # the program's own hosts file: 21 bytes
    local hosts
    hosts=$(etc_file hosts) && cmp -s "$hosts" <(printf '\r\n127.0.0.1 localhost') && ! etc_file Hosts.new
    check state.hosts-replaced $? "the hosts file is not the 21-byte replacement, or Hosts.new is left"
}
expect_no_resume_arrangements() {
    grep -qx absent "$out/state/resume-marker.txt" && [ ! -s "$out/state/scheduled-tasks.txt" ]
    check state.no-resume-arrangements $? "a resume marker or a log-on start is left"
}
expect_peer_saw() {             # expect_peer_saw CHECK PEER PATTERN MESSAGE: in the peer's log
    grep -q "$3" "$LAB_RUN/$2.out"
    check "peers.$1" $? "$4"
}
hijacked_hosts() {              # the user's hosts file with the probe hosts sent to ADDRESS
    prefix_user_hosts
    printf '%s\r\n' "$1      $LAB_VENDOR_HOST" "$1      $LAB_SEARCH_HOST"
}

# --- a DHCP switch that did not help is put back ---------------------------------------------
expect_interface_key_kept() {   # every value as seeded, byte for byte
    cmp -s "$out/interface-key-before.reg" "$out/state/interface-key.reg"
    check state.interface-key-kept $? "changed: $(diff <(iconv -f UTF-16 "$out/interface-key-before.reg") \
        <(iconv -f UTF-16 "$out/state/interface-key.reg") | grep '^[<>]' | tr -d '\r' | tr '\n' ' ')"
}
expect_switch_put_back() {      # the adapter named in the log, its key as seeded
    expect_lines switch-put-back "put back interface settings $(adapter_key | sed 's/.*\\//')" "Exiting thread"
    expect_interface_key_kept
}
expect_subnet_repair_failed() { # a gateway outside the subnet, still so after the switch
    expect_lines subnet-repair "checking local connection step check subnet" \
        "Default gateway exists and is on the same subnet as IP address - fail" \
        "adapters count:" "enabledhcp gateway found" \
        "checking local connection step - fail Default gateway is not on the same subnet as IP address"
    expect_no_line gateway-not-pinged "ping gateway:"
    expect_switch_put_back
    expect_tidy_end
}

# --- the address and restart repairs (self-assigned address, damaged Winsock) -------------
network_self_assigned() {       # no DHCP answer: only a self-assigned address, no route
    lab_link
    lab_address 169.254.7.7/16
}
probe_no_default_route() { probe no-default-route test -z "$(ip -n "$LAB_PC" route show default)"; }
seed_apipa_machine() {
    seed_dhcp_adapter 169.254.7.7 255.255.0.0 "" "$LAB_ADAPTER_DNS"
    seed_proxy 0
}
seed_corrupted_winsock() {
    seed_apipa_machine
    touch "$lab_folder/winsock-corrupted"
}
expect_address_repairs() {
    expect_lines address-repair "IP settings check" \
        "no valid ip address found -try to repair  repair method1" \
        "no valid ip address found -after repair1" "OS is suitable for repair2"
}
up_to_restart_question() {
    start_run
    follow_run 300 1
    [ $? -eq 2 ]
    check run.restart-question $? "no restart question"
    settle
    shot restart-question
}
up_to_restart() {               # the question answered Yes: the program hides, Windows restarts
    up_to_restart_question
    xdotool key y
    wait_count "PC restarted" 2 20
    check run.restart-issued $? "no 'PC restarted'"
    sleep 1
    final_screen restart-issued
}
# The lab's Windows is 7 or later: the system's own netsh resets the catalog,
# and the registry catalogs are neither deleted nor imported.
expect_winsock_reset() {
    expect_lines winsock-reset "winsock is corrupted" "check winsock result:  False" \
        "no valid ip address found -try to repair method2" "reboot command params: " \
        "winsock reset method:  netsh winsock reset, registry catalogs kept" \
        "netsh.exe int ip reset C:\\users\\" "netsh.exe winsock reset"
    expect_no_line catalog-keys-kept "reg delete HKLM"
    expect_no_line no-import "reg import"
    [ ! -e "$lab_folder/winsock-corrupted" ] && grep -qx 'netsh winsock reset' "$out/state/commands.txt"
    check state.catalog-reset $? "netsh winsock reset never ran"
    temp_has resetlog.txt && ! temp_has winsockans.txt && ! temp_has winsoktemp
    check state.reset-files $? "Temp: $(tr '\n' ' ' <"$out/state/temp-folder.txt")"
}
expect_restart_arrangements() {
    expect_lines accepted "yes for repair2" "PC restarted" "PC restarted" "Exiting thread"
    [ "$(grep -c '^shutdown /r /t 0' "$out/state/commands.txt")" -eq 1 ]
    check state.restart-command $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
}

# --- the reseller's DNS servers written (a dead or hostile adapter DNS server) ------------
expect_reseller_dns_repair() {
    expect_lines reseller-dns "dnsquery DNSserver:  $LAB_ADAPTER_DNS" "dnsipcatch 0.0.0.0" \
        "check name resolution step - fail try to repair" "replace host file" \
        "check name resolution-fail write dns from provider" "writed dhcp dns" \
        "dnsquery DNSserver:  $LAB_RESELLER_DNS" "check name resolution step repaired" \
        "step browsing net pass show final panel" "Exiting thread" "settings snapshot kept C:\\users\\"
    expect_value reseller-name-servers interface-key.txt NameServer "$LAB_RESELLER_DNS,$LAB_SECOND_RESELLER_DNS"
    expect_value reseller-dhcp-name-servers interface-key.txt DhcpNameServer \
        "$LAB_RESELLER_DNS,$LAB_SECOND_RESELLER_DNS"
    expect_peer_saw reseller-dns-asked reseller-dns "query\[A\] $LAB_VENDOR_HOST from $LAB_PC_ADDRESS" \
        "the reseller's DNS server saw no query"
    # The hosts repair came first and stays: the user's file is the backup.
    expect_hosts_replaced
    local backup
    backup=$(etc_file Hosts_OLD.txt) && cmp -s "$backup" <(prefix_user_hosts)
    check state.user-hosts-kept $? "Hosts_OLD.txt is not the user's hosts file"
    # The user's own DNS servers are now only in the settings snapshot.
    expect_one_run_at_a_time
    expect_tidy_temp_folder kept
}

# --- a log the program cannot follow: held, on a full disk, unwritable -----------------------
# The run is watched on the screen, and its log judged afterwards.
run_to_panel_on_screen() {      # run_to_panel_on_screen PANEL LIMIT
    wait_panel "$1" "$2"
    check run.panel-on-screen $? "the screen did not show the $1 panel within $2 s"
    final_screen final
}
# No fragment in the log: a line cut short would have the next line's stamp
# glued on, so a stamp may only open a line (a message may run over several
# lines of its own), and the file ends with a line break.
expect_whole_lines() {
    [ -s "$log" ] && [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' ')" = 0d0a ] &&
        ! grep -aqE '.\[[0-9]+/[0-9]+/[0-9]{4}( [0-9:]+ [AP]M)?\] ' "$log"
    check log.whole-lines $? "a line cut short, or no line break at the end"
}
expect_healthy_end() {          # the run's panel and Temp folder; the log has checks of its own
    expect_value proxy-off internet-settings.txt ProxyEnable 0x0
    expect_user_hosts_untouched
    expect_tidy_temp_folder
    expect_peer_saw vendor-page-fetched web "^$LAB_VENDOR_WEB / BrackenfieldReporting" \
        "the vendor's web server saw no request"
}
