# The router ignores echo requests, and so does everything behind it.
title="Gateway not answering"
fault="the router ignores echo requests"
repairs="firewall step, switched to DHCP, gateway from the registry pinged" panel=router
ci=yes limit=420

scenario_network() {
    network_standard
    lab_router_silent
}
scenario_probe() {
    probe gateway-silent fails lab_reaches "$LAB_GATEWAY"
    probe isp-silent fails lab_reaches "$LAB_ISP_PROBE"
}
scenario_judge() {
    expect_lines gateway-repairs "ping gatewaw- disable firewall" "ping gatewaw fail" \
        "adapters count:" "enabledhcp gateway found True" \
        "get gateway from registry:  $LAB_GATEWAY" "gateway from registry $LAB_GATEWAY" \
        "ping host: $LAB_GATEWAY" "fail message Your computer cannot reach your router" \
        "checking local connection step - fail ping on gateway - fail" "Exiting thread"
    expect_no_line isp-not-checked "ISP check"
    expect_value dhcp-on interface-key.txt EnableDHCP 0x1
    expect_no_value static-gateway-removed interface-key.txt DefaultGateway
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}
