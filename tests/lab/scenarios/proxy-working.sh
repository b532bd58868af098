# The browser goes through a working proxy, and the direct way is open too:
# the proxy is the user's choice, and stays on.
title="Working proxy"
fault="none: ProxyEnable = 1 towards a working proxy at $LAB_PROXY"
repairs="no repair" panel=success expect="the proxy stays on"
ci=yes limit=240

scenario_network() { network_standard; lab_proxy; }
scenario_seed() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_ADAPTER_DNS"
    seed_proxy 1
}
scenario_judge() {
    expect_lines proxy-kept "check name resolution good" \
        "checking browser settings step - pass proxy works, left on" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_value proxy-still-on internet-settings.txt ProxyEnable 0x1
    expect_user_hosts_untouched
    expect_interface_key_kept
    expect_tidy_end
}
