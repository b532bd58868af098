# The network works: every stage passes at the first try.
title="Healthy network"
fault="none: adapter, router, ISP, DNS and web servers all work"
repairs="no repair" panel=success expect="all five stages pass"
ci=yes limit=240

scenario_judge() {
    expect_lines five-stages-pass "hardware network adapter step pass" \
        "IP settings network adapter step pass" \
        "checking local connection step  ping on 127.0.0.1 -pass" \
        "checking local connection step ping pass on local IP address - pass" \
        "Default gateway is on the same subnet as IP address -pass" \
        "ISP check" "check name resolution good" "checking browser settings step - pass" \
        "step browsing net pass show final panel" "Exiting thread" "close Plover tool"
    expect_no_line no-repair "try to repair"
    expect_count five-stage-marks "finish step completed: 5" 2
    expect_one_run_at_a_time
    expect_interface_key_kept
    expect_healthy_end
    expect_peer_saw adapter-dns-asked adapter-dns "query\[A\] $LAB_SEARCH_HOST from $LAB_PC_ADDRESS" \
        "the adapter's DNS server saw no query"
}
