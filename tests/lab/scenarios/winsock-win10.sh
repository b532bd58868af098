# Windows 10, which tells a program without a newer manifest that it is 6.2:
# the true version chooses the system's own netsh reset, and the registry
# catalogs stay as they were.
title="Corrupted Winsock on Windows 10"
fault="as winsock-yes; Wine reports Windows 10"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart accepted"
panel=hidden expect="'windows version: 10.0.' logged; netsh winsock reset; no key deleted or imported"
ci=yes limit=300

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() {
    seed_corrupted_winsock
    reg_key 'HKEY_CURRENT_USER\Software\Wine'
    reg_value Version '"win10"'
}
scenario_drive() { up_to_restart; }
scenario_judge() {
    expect_lines win10 "windows version:  10.0."
    expect_winsock_reset
    expect_restart_arrangements
}
