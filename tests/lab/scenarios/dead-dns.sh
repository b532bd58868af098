# The adapter's DNS server is gone; the reseller's servers answer.
title="Dead DNS server"
fault="the adapter's DNS server $LAB_ADAPTER_DNS does not answer; the reseller's servers do"
repairs="hosts file replaced, reseller's DNS servers written" panel=success
ci=yes limit=300

scenario_network() { network_standard --no-adapter-dns; }
scenario_probe() {
    probe_working_internet
    probe adapter-dns-dead fails lab_resolves "$LAB_ADAPTER_DNS" "lab-probe.$LAB_SEARCH_HOST" "$LAB_SEARCH_WEB"
    probe_reseller_dns
}
scenario_judge() { expect_reseller_dns_repair; }
