# The adapter's first DNS server is gone; its second one works, and Windows
# uses it: nothing is broken, and the reseller's servers are not written.
title="Dead first DNS server"
fault="the adapter names $LAB_DEAD_ADDRESS (silent) before $LAB_ADAPTER_DNS (working)"
repairs="no repair" panel=success expect="the second server answers; the settings untouched"
ci=yes limit=240

scenario_seed() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_DEAD_ADDRESS $LAB_ADAPTER_DNS"
    seed_proxy 0
}
scenario_judge() {
    expect_lines second-server "dnsquery DNSserver:  $LAB_DEAD_ADDRESS" \
        "dnsquery next server:  $LAB_ADAPTER_DNS" "check name resolution good" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_user_hosts_untouched
    expect_interface_key_kept
    expect_tidy_end
}
