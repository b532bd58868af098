# The program is ended (as by Task Manager or a power cut) right after the
# DHCP switch; the router comes back; the program is started again. Before
# the user clicks anything, the switch is put back from the journal and the
# interface key is as the user had it.
title="Ended in mid-repair, started again"
fault="static settings, the router gone; the program killed just after the DHCP switch, then started again"
repairs="firewall step, switched to DHCP" panel= expect="the switch put back at the next start, the key as seeded"
ci=yes limit=240

scenario_network() { network_standard; ip -n "$LAB_NET" addr flush dev lan1; }
scenario_probe() { probe gateway-gone fails lab_reaches "$LAB_GATEWAY"; }
scenario_seed() { seed_static_machine; }
scenario_drive() {
    start_run
    wait_line "adapters count:" 240
    check killed-mid-switch.switched $? "no DHCP switch within 240 s"
    kill -KILL "$program_pid" 2>/dev/null
    wait_gone 20
    check killed-mid-switch.killed $? "still running after the kill"
    ip -n "$LAB_NET" addr add "$LAB_GATEWAY/$LAB_PREFIX_LENGTH" dev lan1
    open_wizard
    wait_line "journal cleared" 30
    check killed-mid-switch.recovered $? "no recovery at the second start"
    close_wizard welcome
}
scenario_judge() {
    expect_lines killed-then-recovered "enabledhcp on adapter" "adapters count:" \
        "journal of a run that did not end found" "put back interface settings" "journal cleared"
    expect_count one-run "start Plover tool" 1
    expect_interface_key_kept
}
