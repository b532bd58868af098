# A damaged Winsock catalog is reset; the user declines the restart.
title="Corrupted Winsock, restart declined"
fault="self-assigned address and netsh failing with error 10107"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart declined"
panel=nointernet expect="nothing scheduled"
ci=no limit=360

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_corrupted_winsock; }
scenario_drive() {
    up_to_restart_question
    xdotool key n
    follow_run 60 1
    check run.ended $? "no 'Exiting thread' after No"
    final_screen final
    close_after_panel
}
scenario_judge() {
    expect_address_repairs
    expect_winsock_reset
    expect_lines declined "user choose do not restart PC" \
        "=no valid ip address found. The connection couldn't be repaired " "Exiting thread"
    expect_no_line no-restart "PC restarted"
    expect_no_resume_arrangements
    grep -q '^schtasks /create' "$out/state/commands.txt" &&
        grep -q '^schtasks /delete /tn PloverTool /f' "$out/state/commands.txt" &&
        ! grep -q '^shutdown' "$out/state/commands.txt"
    check state.schedule-undone $? "commands: $(tr '\r\n' '  ' <"$out/state/commands.txt")"
    expect_one_run_at_a_time
    expect_tidy_temp_folder kept  # the IP reset stays, so does the record of the settings
}
