# The browser's proxy is switched on, towards a proxy that is not there.
title="Proxy switched on"
fault="ProxyEnable = 1 (a proxy at $LAB_PROXY)"
repairs="proxy switched off" panel=success
ci=yes limit=240

scenario_seed() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_ADAPTER_DNS"
    seed_proxy 1
}
scenario_judge() {
    expect_lines proxy-repaired "check name resolution good" \
        "checking Browser settings - fail try to repair" \
        "checking browser settings step - pass repaired" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_value proxy-off internet-settings.txt ProxyEnable 0x0
    expect_value proxy-server-kept internet-settings.txt ProxyServer "$LAB_PROXY"
    # The user's own ProxyEnable is on record in the settings snapshot, which stays.
    expect_lines snapshot-kept "settings snapshot kept C:\\users\\"
    expect_one_run_at_a_time
    expect_tidy_temp_folder kept
}
