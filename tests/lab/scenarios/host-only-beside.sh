# Two adapters: the line, with static settings and a router that is gone,
# and a host-only adapter (static, no gateway) beside it. The router comes
# back while the line takes DHCP: the switch stays on the line only, and the
# host-only adapter's key is untouched byte for byte.
title="A host-only adapter beside the line"
fault="static line whose router is gone and comes back in the switch; a static host-only adapter with no gateway"
repairs="firewall step, switched to DHCP" panel=success expect="the line switched, the host-only key unchanged"
ci=yes limit=270

HOST_ONLY_ADDRESS=192.168.56.1
scenario_network() {
    network_standard
    ip -n "$LAB_NET" addr flush dev lan1
    # A link of its own with no router on it, as a host-only adapter has.
    ip -n "$LAB_PC" link add hostonly0 type veth peer name hostonly1 netns "$LAB_NET"
    ip -n "$LAB_PC" addr add "$HOST_ONLY_ADDRESS/24" dev hostonly0
    ip -n "$LAB_PC" link set hostonly0 up
    ip -n "$LAB_NET" link set hostonly1 up
}
scenario_probe() {
    probe gateway-gone fails lab_reaches "$LAB_GATEWAY"
    probe host-only-adapter ip -n "$LAB_PC" -o addr show hostonly0
}
scenario_seed() {
    seed_static_machine
    reg_key "$(host_only_key)"
    reg_value EnableDHCP dword:00000000
    reg_value IPAddress "$(multi "$HOST_ONLY_ADDRESS")"
    reg_value SubnetMask "$(multi 255.255.255.0)"
    reg_value DefaultGateway "$(multi "")"
}
host_only_key() { adapter_key hostonly0; }
scenario_drive() {
    reg_export "$(host_only_key)" "$out/host-only-before.reg"
    start_run
    wait_line "adapters count:" 240
    check host-only.switched $? "no DHCP switch within 240 s"
    ip -n "$LAB_NET" addr add "$LAB_GATEWAY/$LAB_PREFIX_LENGTH" dev lan1
    follow_run 200 1
    check run.ended $? "no 'Exiting thread' within 200 s"
    final_screen final
    reg_export "$(host_only_key)" "$out/host-only-after.reg"
    close_after_panel
}
scenario_judge() {
    expect_lines line-switched "enabledhcp on adapter $(adapter_key | sed 's/.*\\//')" "Exiting thread"
    expect_no_line host-only-not-switched "enabledhcp on adapter $(host_only_key | sed 's/.*\\//')"
    cmp -s "$out/host-only-before.reg" "$out/host-only-after.reg"
    check state.host-only-unchanged $? "the host-only key changed"
    expect_no_line not-put-back "put back interface settings"
}
