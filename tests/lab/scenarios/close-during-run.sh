# The user closes the window while a run is under way: the program ends
# without waiting for its run.
title="Close during a run"
fault="none; the user closes the window while stage 2 runs"
repairs="no repair" panel= expect="the program ends at once, its run not waited for"
ci=yes limit=150

scenario_drive() {
    start_program 'C:\PloverTool\PloverTool.exe'
    wait_window
    settle
    click "${RUN_WELCOME[@]}"
    # Stage 2 pings and pauses for seconds; the close comes while it runs.
    wait_line "start checking local connection step" 60
    check close-during-run.stage-two-reached $? "the run never reached stage 2"
    close_box
    wait_gone
    check close-during-run.program-ended $? "the program waited for its run"
    ! has_line "Exiting thread"
    check close-during-run.run-not-waited-for $? "closing waited for the run"
    has_line "close Plover tool"
    check close-during-run.logged $? "no close line"
}
