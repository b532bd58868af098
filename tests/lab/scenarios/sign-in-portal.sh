# A hotel's network before sign-in: its DNS server answers every name with
# the router's address, whose web server sends every page to its sign-in
# page, and outside DNS servers are blocked. Nothing on the computer is at
# fault, so nothing may change: the user is asked to sign in first.
title="Sign-in portal"
fault="every name is the router's address; every page a 302 to its sign-in page; outside DNS blocked"
repairs="no repair" panel="" expect="the failure panel asks the user to sign in; nothing changed"
ci=yes limit=240

scenario_network() {
    lab_link
    lab_address "$LAB_PC_ADDRESS/$LAB_PREFIX_LENGTH" "$LAB_GATEWAY"
    lab_internet up
    lab_peer portal-dns dnsmasq --keep-in-foreground --no-resolv --no-hosts --bind-interfaces \
        --pid-file= --user=root --port=53 --listen-address="$LAB_ADAPTER_DNS" --log-queries \
        --log-facility=- --address=/#/"$LAB_GATEWAY"
    lab_peer web /usr/bin/python3 "$lab_lib/web.py" "$LAB_GATEWAY" 80 "$LAB_PEER_LIFETIME" \
        "$LAB_GATEWAY=/page.html"
    ip netns exec "$LAB_NET" iptables -A INPUT -p udp --dport 53 ! -d "$LAB_ADAPTER_DNS" -j DROP
    lab_wait "$LAB_NET" 1 -tn 'sport = :80' && lab_wait "$LAB_NET" 1 -un 'sport = :53'
}
scenario_probe() {
    probe names-are-the-router lab_resolves "$LAB_ADAPTER_DNS" "$LAB_SEARCH_HOST" "$LAB_GATEWAY"
    probe outside-dns-blocked fails lab_resolves "$LAB_RESELLER_DNS" "$LAB_SEARCH_HOST" "$LAB_SEARCH_WEB"
}
scenario_judge() {
    expect_lines sign-in-asked "network shows its own sign-in page $LAB_GATEWAY" \
        "fail message This network asks you to sign in first" \
        "check name resolution step - fail sign-in page of the network, not repaired" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_no_line browser-stage-not-run "checking browser settings"
    expect_user_hosts_untouched
    expect_interface_key_kept
    expect_tidy_end
}
