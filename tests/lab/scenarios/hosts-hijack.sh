# The hosts file sends both probe hosts to a dead address; after the repair
# the hijacker strikes again and the user runs the test once more.
title="Hijacked hosts file"
fault="the hosts file sends both probe hosts to the dead address $LAB_DEAD_ADDRESS, twice"
repairs="hosts file replaced (x2)" panel=success
expect="the user's original hosts file kept, also after a second run"
ci=yes limit=300

scenario_seed() {
    seed_lab_machine
    hijacked_hosts "$LAB_DEAD_ADDRESS" >"$etc_folder/hosts"
}
scenario_drive() {
    run_once 180
    rm -f "$etc_folder"/[hH][oO][sS][tT][sS]
    hijacked_hosts 10.77.0.67 >"$etc_folder/hosts"
    click "${RUN_WELCOME[@]}"
    sleep 0.4
    shot second-run
    follow_run 180 2
    check run.second-run-ended $? "the second run did not end"
    final_screen final
    close_after_panel
}
scenario_judge() {
    expect_lines hosts-repaired-twice "ip: $LAB_DEAD_ADDRESS host: $LAB_VENDOR_HOST" \
        "name res ip found: $LAB_DEAD_ADDRESS" "check name resolution step - fail try to repair" \
        "replace host file" "check name resolution step repaired" \
        "step browsing net pass show final panel" "rerun Plover tool" \
        "name res ip found: 10.77.0.67" "replace host file" "check name resolution step repaired" \
        "step browsing net pass show final panel"
    expect_no_line no-reseller-dns "write dns from provider"
    expect_hosts_replaced
    local backup file kept=1
    backup=$(etc_file Hosts_OLD.txt) && cmp -s "$backup" <(hijacked_hosts "$LAB_DEAD_ADDRESS")
    check state.original-kept $? "Hosts_OLD.txt is not the file the user had before the first run"
    for file in "$out"/state/etc-*; do cmp -s "$file" <(hijacked_hosts 10.77.0.67) && kept=0; done
    check state.second-file-kept $kept "the file of the second run was not saved"
    expect_tidy_end
}
