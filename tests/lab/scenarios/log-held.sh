# Another process holds the log open without sharing for the first part of
# the run (as a virus scanner or a backup program may): the run goes on,
# losing those lines silently.
title="Log held by another process"
fault="a second process holds the log open without sharing from before Run Test until 8 s into its 13 s run"
repairs="no repair" panel=success expect="no lines while held, the lines after the release in the log"
ci=yes limit=240

holder_pid=
windows_log_path() { printf 'C:\\users\\%s\\Temp\\PloverToollog' "$(basename "$(dirname "$temp")")"; }
hold_log() {
    "$LAB_WINE" 'C:\lab\holdfile.exe' "$(windows_log_path)" >/dev/null 2>&1 &
    holder_pid=$!
    bounded 30 test -f "$lab_folder/hold.ready"
}
release_log() {
    touch "$lab_folder/hold.release"
    bounded 15 eval '! kill -0 $holder_pid 2>/dev/null'
}
scenario_drive() {
    open_wizard
    shot welcome
    cp "$log" "$out/log-before-hold" 2>/dev/null
    hold_log
    check holder.holds-log $? "the second process did not get hold of the log"
    press_run_test
    # The run's pauses keep it going for some 13 s after the click: its
    # first two stages are over within 5 s, its last lines come after 12 s.
    sleep 8
    kill -0 "$holder_pid" 2>/dev/null
    check holder.held-to-release $? "the second process let go before the release"
    release_log
    check holder.let-go $? "the second process did not end after the release"
    run_to_panel_on_screen success 150
    wait_count "Exiting thread" 1 20
    check log.lines-resumed $? "no 'Exiting thread' after the release"
    close_after_panel
}
scenario_judge() {
    expect_healthy_end
    [ -s "$out/log-before-hold" ] && cmp -s -n "$(stat -c %s "$out/log-before-hold")" \
        "$out/log-before-hold" "$log"
    check log.record-before-hold-kept $? "the log no longer starts with what it held before"
    expect_no_line held-start-lost "start plover tool"
    expect_no_line held-stage1-lost "hardware network adapter step pass"
    expect_no_line held-stage2-lost "checking local connection step  ping on 127.0.0.1 -pass"
    expect_lines after-release "step browsing net pass show final panel" "Exiting thread" \
        "close Plover tool"
    expect_whole_lines
}
