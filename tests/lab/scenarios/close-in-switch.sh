# The user closes the window while the DHCP switch itself is under way
# (between the connections' off and on): the program waits for the repair,
# puts the switch back, and ends.
title="Close during the DHCP switch"
fault="the router is gone; the user closes the window while the DHCP switch runs"
repairs="firewall step, switched to DHCP" panel= expect="the switch finished, put back, the program ended"
ci=yes limit=180

scenario_network() { network_standard; ip -n "$LAB_NET" addr flush dev lan1; }
scenario_probe() { probe gateway-gone fails lab_reaches "$LAB_GATEWAY"; }
scenario_seed() { seed_static_machine; }
scenario_drive() {
    start_run
    wait_line "enabledhcp on adapter" 240
    check close-in-switch.switching $? "no DHCP switch within 240 s"
    close_box
    wait_gone 120
    check close-in-switch.program-ended $? "still running 120 s after the close"
}
scenario_judge() {
    expect_lines waited-put-back-closed "enabledhcp on adapter" "adapters count:" \
        "put back interface settings" "Exiting thread" "close Plover tool"
    expect_no_line not-cut-short "closed before the run ended"
    expect_switch_put_back
    expect_tidy_temp_folder
}
