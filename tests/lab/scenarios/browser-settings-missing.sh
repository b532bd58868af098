# A damaged profile: the user's Internet Settings key is gone.
title="Browser settings missing"
fault="the user's Internet Settings key is gone (a damaged profile)"
repairs="proxy switched off" panel=browser expect="the proxy cannot be switched off"
ci=yes limit=240

scenario_seed() {
    seed_dhcp_adapter "$LAB_PC_ADDRESS" "$LAB_MASK" "$LAB_GATEWAY" "$LAB_ADAPTER_DNS"
    reg_key "-$settings_key"
}
scenario_judge() {
    expect_lines proxy-not-repaired "checking Browser settings - fail try to repair" \
        "=checking browser settings step - fail " "Exiting thread"
    grep -qx absent "$out/state/internet-settings.txt"
    check state.key-not-created $? "the Internet Settings key was created"
    expect_tidy_end
}
