# The user cancels a run and presses Run Test at once and again later.
title="Cancel, then a new run"
fault="none; the user presses Cancel during stage 2 and Run Test at once and again later"
repairs="no repair" panel=success
expect="the cancelled run ends before a new one starts"
ci=yes limit=300

scenario_drive() {
    open_wizard
    welcome_screen
    press_run_test
    wait_line "start checking local connection step" 60
    check cancel.stage-two-reached $? "stage 2 never began"
    click "${CONTACT_CANCEL[@]}"
    settle
    shot cancelled
    # Run Test at once: the cancelled run has not ended yet.
    click "${RUN_WELCOME[@]}"
    sleep 0.5
    [ "$(count_lines 'start plover tool')" -eq 1 ]
    check cancel.no-run-beside-the-first $? "a second run started beside the first"
    follow_run 60 1
    check cancel.first-run-ended $? "the cancelled run did not end"
    settle
    click "${RUN_WELCOME[@]}"
    wait_count "start plover tool" 2 10
    check cancel.new-run-started $? "Run Test started nothing after the run ended"
    follow_run 180 2
    check run.ended $? "the new run did not end"
    final_screen final
    close_after_panel
}
scenario_judge() {
    expect_lines cancelled-then-new "start plover tool" "start checking local connection step" \
        "Exiting thread" "start plover tool" "step browsing net pass show final panel" \
        "Exiting thread"
    expect_count one-success "step browsing net pass show final panel" 1
    expect_one_run_at_a_time
    expect_tidy_temp_folder
}
