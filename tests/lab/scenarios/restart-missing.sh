# The restart that does not come: the lab's shutdown restarts nothing, as
# when a program with unsaved work cancels it. After a minute the window is
# back with its notice, and nothing is left to start the program at log-on.
title="Restart accepted but not coming"
fault="as winsock-yes; the restart never happens"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart accepted"
panel= expect="after 60 s the window is back saying the restart did not happen; marker and log-on start removed"
ci=yes limit=300

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_corrupted_winsock; }
scenario_drive() {
    up_to_restart
    wait_line "the restart did not come" 75
    check restart-missing.noticed $? "no 'the restart did not come' within 75 s"
    wait_window 10
    check restart-missing.window-back $? "the window stayed hidden"
    settle
    shot window-back
    xdotool key Escape
    wait_gone 20
    check restart-missing.escape-closes $? "still running after Escape"
}
scenario_judge() {
    expect_restart_arrangements
    expect_lines restart-missing "PC restarted" "the restart did not come window shown again" \
        "delete Software\\PloverTool key"
    expect_no_resume_arrangements
}
