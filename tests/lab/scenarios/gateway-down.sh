# The router is gone: nothing answers on its address, not even ARP. The
# DHCP switch cannot bring it back, so the adapter's settings are put back.
title="Gateway gone"
fault="the router's address is removed: nothing answers ARP, echo or TCP"
repairs="firewall step, switched to DHCP, gateway from the registry pinged" panel=router
expect="the DHCP switch put back"
ci=yes limit=420

scenario_network() { network_standard; ip -n "$LAB_NET" addr flush dev lan1; }
scenario_probe() {
    probe gateway-gone fails lab_reaches "$LAB_GATEWAY"
    probe gateway-silent-over-tcp fails lab_accepts "$LAB_GATEWAY" 53
}
scenario_judge() {
    expect_lines gateway-repairs "tcp probe $LAB_GATEWAY:80 no answer" "tcp probe $LAB_GATEWAY:53 no answer" \
        "ping gatewaw- disable firewall" "ping gatewaw fail" "adapters count:" \
        "gateway from registry $LAB_GATEWAY" "ping host: $LAB_GATEWAY" "put back interface settings" \
        "fail message Your computer cannot reach your router" \
        "checking local connection step - fail ping on gateway - fail" "Exiting thread"
    expect_no_line isp-not-checked "ISP check"
    expect_switch_put_back
    expect_tidy_end
}
