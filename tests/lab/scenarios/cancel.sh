# The user cancels a run and presses Run Test at once and again later.
title="Cancel, then a new run"
fault="none; the user presses Cancel during stage 2 and Run Test at once and again later"
repairs="no repair" panel=success
expect="the cancelled run stops within seconds; a new one starts only after it"
ci=yes limit=300

run_test_started() {            # Run Test pressed; a second run has begun
    click "${RUN_WELCOME[@]}"
    sleep 0.5
    at_least "start plover tool" 2
}
scenario_drive() {
    start_run
    wait_line "start checking local connection step" 60
    check cancel.stage-two-reached $? "stage 2 never began"
    click "${CONTACT_CANCEL[@]}"
    sleep 0.2
    shot cancelled
    # Run Test at once: a run that has not ended yet must not get a twin.
    click "${RUN_WELCOME[@]}"
    wait_line "Exiting thread" 10
    check cancel.first-run-stopped $? "the cancelled run did not end within 10 s"
    bounded 10 run_test_started
    check cancel.run-test-enabled $? "Run Test started nothing within 10 s of the cancel"
    follow_run 180 2
    check run.ended $? "the new run did not end"
    final_screen final
    close_after_panel
}
scenario_judge() {
    expect_lines cancelled-then-new "start plover tool" "start checking local connection step" \
        "run stopped asked during stage 2" "Exiting thread" "start plover tool" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_count one-success "step browsing net pass show final panel" 1
    expect_tidy_end
}
