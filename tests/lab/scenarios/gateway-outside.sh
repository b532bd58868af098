# Static settings whose gateway lies outside the adapter's subnet.
title="Gateway outside the subnet"
fault="static settings: 10.77.0.2/24 with the gateway 10.76.0.1"
repairs="switched to DHCP" panel=nointernet expect="the DHCP switch put back"
ci=no limit=300

scenario_network() {
    lab_link
    lab_address "$LAB_PC_ADDRESS/$LAB_PREFIX_LENGTH" 10.76.0.1 onlink
    lab_internet up
    lab_services
}
scenario_probe() { probe gateway-outside-silent fails lab_reaches 10.76.0.1; }
scenario_seed() { seed_static_machine 10.76.0.1; }
scenario_judge() { expect_subnet_repair_failed; }
