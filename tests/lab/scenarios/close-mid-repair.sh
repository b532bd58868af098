# The user closes the window in the gateway repair, just after the DHCP
# switch: the run stops, the switch is put back, the clean-up runs, and the
# program ends within its bound.
title="Close during a repair"
fault="the router is gone; the user closes the window just after the DHCP switch"
repairs="firewall step, switched to DHCP" panel= expect="the switch put back and the program ended within 30 s"
ci=yes limit=300

scenario_network() { network_standard; ip -n "$LAB_NET" addr flush dev lan1; }
scenario_probe() { probe gateway-gone fails lab_reaches "$LAB_GATEWAY"; }
scenario_seed() { seed_static_machine; }
scenario_drive() {
    start_run
    wait_line "enabledhcp gateway found" 240
    check close-mid-repair.switched $? "no DHCP switch within 240 s"
    close_box
    local closed=$SECONDS
    wait_gone 40
    check close-mid-repair.program-ended $? "still running 40 s after the close"
    say "ended $((SECONDS - closed)) s after the close"
}
scenario_judge() {
    expect_lines stopped-put-back-closed "ping gatewaw fail" "enabledhcp gateway found" \
        "put back interface settings" "run stopped asked during" "Exiting thread" "close Plover tool"
    # The put-back's pauses end with the stop: far from the close's bound.
    expect_no_line not-cut-short "closed before the run ended"
    expect_switch_put_back
    expect_tidy_temp_folder
}
