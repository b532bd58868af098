# A family: the adapter's DNS server is a hostile responder
# (lib/dns-responder.py), one kind of bad reply per scenario dns-KIND; the
# reseller's servers are sound. A reply whose whole address records come
# before the damage answers, and the run passes without a repair; every
# other kind ends the lookup in an error, and the run repairs as with a
# dead server. Misleading replies carry the dead address.
sound_kinds=" counts-beyond answer-flood truncated "
variants=(short-datagram compression-loop forward-pointer pointer-out-of-range reserved-label-bits
    rdlength-past-end wrong-id other-address other-port unknown-types silence $sound_kinds)
title="Hostile DNS server: $variant" panel=success limit=300 ci=no
[ -n "$variant" ] && fault="the adapter's DNS server $LAB_ADAPTER_DNS sends $(/usr/bin/python3 \
    "$lab_lib/dns-responder.py" --describe "$variant" | cut -f2)"
repairs="hosts file replaced, reseller's DNS servers written"
[[ $sound_kinds == *" $variant "* ]] && repairs="no repair" expect="the whole address record before the damage answers"
[[ $variant == compression-loop || $variant == wrong-id ]] && ci=yes

scenario_network() {
    network_standard --no-adapter-dns
    lab_peer adapter-dns /usr/bin/python3 "$lab_lib/dns-responder.py" --kind "$variant" \
        --listen "$LAB_ADAPTER_DNS" --other-address 192.0.2.54 --poison "$LAB_DEAD_ADDRESS" \
        --answer "$LAB_VENDOR_HOST=$LAB_VENDOR_WEB" --answer "$LAB_SEARCH_HOST=$LAB_SEARCH_WEB" \
        --lifetime "$LAB_PEER_LIFETIME"
}
scenario_probe() {
    probe_working_internet
    probe adapter-dns-hostile lab_wait "$LAB_NET" 1 -un "src $LAB_ADAPTER_DNS and sport = :53"
    probe_reseller_dns
}
expect_question_seen() {    # the responder's log: "from ADDRESS:PORT id ID NAME"
    expect_peer_saw adapter-dns-asked adapter-dns "^from $LAB_PC_ADDRESS:[0-9]* id [0-9a-f]* $1" \
        "the hostile DNS server saw no query for $1"
}
scenario_judge() {
    if [ "$repairs" != "no repair" ]; then
        expect_reseller_dns_repair
        expect_no_line poisoned-address-unused "$LAB_DEAD_ADDRESS"
        expect_question_seen "$LAB_VENDOR_HOST"
        return
    fi
    expect_lines sound-records-answer "dnsquery DNSserver:  $LAB_ADAPTER_DNS" \
        "dnsipelse $LAB_VENDOR_WEB" "dnsipelse $LAB_SEARCH_WEB" "check name resolution good" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_value adapter-dns-kept interface-key.txt DhcpNameServer "$LAB_ADAPTER_DNS"
    expect_user_hosts_untouched
    expect_tidy_end
    expect_question_seen "$LAB_SEARCH_HOST"
}
