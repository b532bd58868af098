# An office network: the computer reaches the web only through the proxy its
# browser names; direct connections to port 80 are refused. The proxy is the
# user's way out and must stay on; nothing else may change.
title="Proxy needed"
fault="direct web traffic refused; ProxyEnable = 1 towards a working proxy at $LAB_PROXY"
repairs="no repair" panel=success expect="pages through the proxy; the proxy, hosts file and adapter kept"
ci=yes limit=240

scenario_network() {
    network_standard
    lab_proxy
    lab_refuse_direct_web
}
scenario_probe() {
    probe direct-web-refused fails lab_accepts "$LAB_VENDOR_WEB" 80
    probe proxy-listens lab_accepts "${LAB_PROXY%:*}" "${LAB_PROXY#*:}"
    probe_adapter_dns
}
scenario_seed() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_ADAPTER_DNS"
    seed_proxy 1
}
scenario_judge() {
    expect_lines through-proxy "hostName:$LAB_VENDOR_HOST ok through the proxy" \
        "check name resolution good" "checking browser settings step - pass proxy works, left on" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_value proxy-still-on internet-settings.txt ProxyEnable 0x1
    expect_value proxy-server-kept internet-settings.txt ProxyServer "$LAB_PROXY"
    expect_user_hosts_untouched
    expect_interface_key_kept
    expect_peer_saw proxy-carried proxy-log "$LAB_VENDOR_HOST" "the proxy carried no probe page"
    expect_tidy_end
}
