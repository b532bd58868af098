# A damaged Winsock catalog is reset; the user accepts the restart.
title="Corrupted Winsock, restart accepted"
fault="self-assigned address and netsh failing with error 10107"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart accepted"
panel=hidden expect="resume marker and log-on start written, restart issued"
ci=yes limit=360

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_corrupted_winsock; }
scenario_drive() { up_to_restart; }
scenario_judge() {
    expect_address_repairs
    expect_winsock_reset
    expect_restart_arrangements
    expect_value resume-marker resume-marker.txt PloverReboot "sart on logon"
    grep -qxF 'PloverTool: "C:\PloverTool\PloverTool.exe" /waitsuspend' "$out/state/scheduled-tasks.txt"
    check state.logon-start $? "log-on start: $(cat "$out/state/scheduled-tasks.txt")"
    expect_tidy_temp_folder kept  # the IP reset stays, so does the record of the settings
}
