# The user closes the window while a run is under way: the run is asked to
# stop, and the program ends as soon as it has, after its clean-up.
title="Close during a run"
fault="none; the user closes the window while stage 2 runs"
repairs="no repair" panel= expect="the run stops, the clean-up runs, the program ends within seconds"
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
    wait_gone 10
    check close-during-run.program-ended $? "still running 10 s after the close"
}
scenario_judge() {
    expect_lines stopped-then-closed "start checking local connection step" \
        "run stopped asked during stage 2" "Exiting thread" "delete winsok2.reg" "close Plover tool"
    expect_no_line not-cut-short "closed before the run ended"
    expect_no_line no-stage-three "ISP check"
}
