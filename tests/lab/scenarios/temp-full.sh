# The disk of the Temp folder is full: the log gets what fits.
title="Temp folder on a full disk"
fault="the Temp folder is a 256 KiB tmpfs filled up to its last 4 KiB page"
repairs="no repair" panel=success expect="the log is what fitted, whole lines only"
ci=yes limit=240 own_mounts=yes

temp_room=4096
scenario_seed() {
    seed_lab_machine
    mount -t tmpfs -o size=256k hlog-full-temp "$temp"
    check temp.mounted $? "no tmpfs over $temp"
    # Fill the disk, then give back its last pages.
    cat /dev/zero >"$temp/filler" 2>/dev/null
    truncate -s "-$temp_room" "$temp/filler"
}
scenario_drive() { start_run; run_to_panel_on_screen success 150; close_after_panel; }
scenario_judge() {
    expect_healthy_end
    [ "$(stat -c %s "$log" 2>/dev/null || echo 0)" -le "$temp_room" ]
    check log.what-fitted $? "the log holds $(stat -c %s "$log") bytes, more than the $temp_room left"
    expect_lines fitted-from-start "read information" "provider name" "start plover tool"
    # The lines that fitted came in the run's order; the rest (a whole run
    # writes twice the room) were lost.
    expect_lines fitted-in-order "start plover tool" "hardware check" "adapters found  1"
    expect_whole_lines
    temp_has filler
    check state.filler-kept $? "the lab's filler is gone"
}
