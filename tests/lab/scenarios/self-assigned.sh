# No DHCP server answers: the adapter holds a self-assigned address only.
title="Self-assigned address"
fault="the adapter holds only 169.254.7.7/16 (no DHCP answer)"
repairs="addresses renewed, caches flushed" panel=nointernet
expect="the restart repair finds a healthy Winsock catalog"
ci=no limit=300

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_apipa_machine; }
scenario_judge() {
    expect_address_repairs
    expect_lines healthy-winsock "winsock is not corrupted" "check winsock result:  True" \
        "no valid ip address found. The connection couldn't be repaired good winsock" \
        "Exiting thread"
    expect_no_line no-reset "try to repair method2"
    grep -qx "netsh show" "$out/state/commands.txt" && ! grep -q "^netsh int ip reset" "$out/state/commands.txt"
    check state.only-winsock-checked $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
    expect_no_resume_arrangements
    expect_tidy_end
}
