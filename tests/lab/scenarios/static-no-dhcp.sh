# Static settings whose gateway lies outside the subnet, so the computer has
# no route out, and no DHCP server to give it one: the switch cannot help,
# and the user's settings come back.
title="Static settings, no DHCP server"
fault="static settings: 10.77.0.2/24 with the gateway 10.76.0.1, no default route, no DHCP server"
repairs="switched to DHCP" panel=nointernet expect="the DHCP switch put back"
ci=yes limit=360

scenario_network() {
    lab_link
    lab_address "$LAB_PC_ADDRESS/$LAB_PREFIX_LENGTH"
    lab_internet up
    lab_services
}
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_static_machine 10.76.0.1; }
scenario_judge() { expect_subnet_repair_failed; }
