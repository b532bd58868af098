# The network drops every echo request, the router's and the Internet's
# alike, while connections go through: nothing is broken, and nothing may
# be repaired, least of all the user's static settings or the firewall.
title="Echo filtered"
fault="no echo request is answered anywhere; TCP works (a DNS server on $LAB_ISP_PROBE)"
repairs="no repair" panel=success expect="gateway and ISP pass over TCP; the settings untouched"
ci=yes limit=210

scenario_network() {
    network_standard
    lab_router_silent
    lab_dns isp-dns "$LAB_ISP_PROBE"
    lab_wait "$LAB_NET" 1 -tn "src $LAB_ISP_PROBE and sport = :53"
}
scenario_probe() {
    probe gateway-silent fails lab_reaches "$LAB_GATEWAY"
    probe isp-silent fails lab_reaches "$LAB_ISP_PROBE"
    probe isp-accepts-tcp lab_accepts "$LAB_ISP_PROBE" 53
    probe_adapter_dns
}
scenario_seed() { seed_static_machine; }
scenario_judge() {
    expect_lines tcp-answers "gateway answers over TCP $LAB_GATEWAY:80 accepted" "ISP check" \
        "ISP answers over TCP $LAB_ISP_PROBE:53 accepted" "check name resolution good" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_no_line firewall-untouched "firewall"
    expect_interface_key_kept
    expect_one_run_at_a_time
    expect_healthy_end
}
