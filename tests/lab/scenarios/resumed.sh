# The run after the restart: the lab restarts the computer and runs the
# log-on start the program left.
title="Run resumed after the restart"
fault="as winsock-yes; then the lab restarts the computer and runs its log-on start"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart accepted, addresses renewed, caches flushed"
panel=nointernet
expect="the run starts by itself, marker and schedule removed, no second restart offered"
ci=no limit=600

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() { seed_corrupted_winsock; }
# The lab's restart: every program ends with the Wine session, then the
# log-on starts whatever the task scheduler holds: the program's path and
# its switch.
restart_computer() {
    say "restarting the computer"
    wine_stop
    local task command program
    for task in "$lab_folder"/tasks/*; do
        [ -f "$task" ] || continue
        command=$(tr -d '\r\n' <"$task")
        say "log-on start: $command"
        program=${command#\"}
        program=${program%%\"*}
        pushd "$WINEPREFIX/drive_c/PloverTool" >/dev/null || return 1
        start_program "$program" "/${command##* /}"
        popd >/dev/null || return 1
    done
}
scenario_drive() {
    up_to_restart
    restart_computer
    wait_window 30
    check resumed.window-shown $? "the log-on start showed no window"
    wait_line "it was restarted" 20
    check resumed.started-by-itself $? "no 'it was restarted'"
    wait_count "start plover tool" 2 10
    sleep 0.5
    shot resumed-run
    follow_run 240 2
    local status=$?
    [ $status -ne 2 ]
    check resumed.no-second-question $? "the restart was offered again"
    [ $status -eq 2 ] && xdotool key n && follow_run 60 2
    final_screen final
    close_after_panel
}
scenario_judge() {
    expect_restart_arrangements
    expect_lines resumed "delete Software\\PloverTool key" "it was restarted" \
        "start plover tool" "no valid ip address found -after repair1" \
        "=no valid ip address found. The connection couldn't be repaired " "Exiting thread"
    expect_count one-restart-repair "OS is suitable for repair2" 1
    expect_count one-question "yes for repair2" 1
    expect_no_resume_arrangements
    grep -q '^schtasks /delete /tn PloverTool /f' "$out/state/commands.txt"
    check state.schedule-removed $? "no schtasks /delete"
    expect_one_run_at_a_time
    expect_tidy_temp_folder kept  # the IP reset stays, so does the record of the settings
}
