# The log of an earlier run cannot be written. As root Wine passes over the
# read-only attribute, so the lab makes the file immutable, which refuses
# root too, on a tmpfs of the session's own, so the flag cannot outlive it.
title="Log that cannot be written"
fault="the log of an earlier run is immutable (chattr +i, on a tmpfs over Temp)"
repairs="no repair" panel=success expect="the log exactly as it was"
ci=no limit=240 own_mounts=yes

scenario_seed() {
    seed_lab_machine
    mount -t tmpfs -o size=16m hlog-read-only-temp "$temp"
    check temp.mounted $? "no tmpfs over $temp"
    printf '%s\r\n' "[1/2/2026 9:00:00 AM] start plover tool " \
        "[1/2/2026 9:00:19 AM] Exiting thread " >"$log"
    cp "$log" "$out/log-before-run"
    chattr +i "$log"
    ! (: >>"$log") 2>/dev/null
    check log.immutable $? "the log is still writable"
}
scenario_drive() { start_run; run_to_panel_on_screen success 150; close_after_panel; }
scenario_judge() {
    expect_healthy_end
    cmp -s "$out/log-before-run" "$log"
    check log.unchanged $? "the immutable log changed"
    chattr -i "$log"
}
