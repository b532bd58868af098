# Static settings whose gateway lies outside the adapter's subnet.
title="Gateway outside the subnet"
fault="static settings: 10.77.0.2/24 with the gateway 10.76.0.1"
repairs="switched to DHCP" panel=nointernet
ci=no limit=300

scenario_network() {
    lab_link
    lab_address "$LAB_PC_ADDRESS/$LAB_PREFIX_LENGTH" 10.76.0.1 onlink
    lab_internet up
    lab_services
}
scenario_probe() { probe gateway-outside-silent fails lab_reaches 10.76.0.1; }
scenario_seed() {
    seed_static_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" 10.76.0.1 "$LAB_ADAPTER_DNS"
    seed_proxy 0
}
scenario_judge() {
    expect_lines subnet-repair "checking local connection step check subnet" \
        "Default gateway exists and is on the same subnet as IP address - fail" \
        "adapters count:" "enabledhcp gateway found" \
        "checking local connection step - fail Default gateway is not on the same subnet as IP address" \
        "Exiting thread"
    expect_no_line gateway-not-pinged "ping gateway:"
    expect_value dhcp-switched-on interface-key.txt EnableDHCP 0x1
    expect_no_value static-gateway-removed interface-key.txt DefaultGateway
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}
