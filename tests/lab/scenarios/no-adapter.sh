# The computer has no network adapter at all.
title="No network adapter"
fault="the computer's namespace has only loopback"
repairs="adapters switched off and on" panel=adapter
ci=yes limit=150

scenario_network() { :; }
scenario_probe() { probe loopback-only test "$(ip -n "$LAB_PC" -o link | wc -l)" -eq 1; }
scenario_seed() { seed_proxy 0; }
scenario_judge() {
    expect_lines adapter-repair "hardware check" "adapters found  0" \
        "no network adapter found try to repair" "adapters found  0" \
        "=no network adapter found " "Exiting thread"
    expect_no_line no-ip-settings-check "IP settings check"
    expect_no_line no-snapshot "delete PloverRegKey... file"
    expect_tidy_end
}
