# The provider's line is down: nothing behind the router answers, not even
# a connection attempt. The servers stay up behind it, so a request that
# reached them would show in their logs. The user's static settings come
# back after the DHCP switch that did not help.
title="ISP unreachable"
fault="nothing behind the router answers"
repairs="switched to DHCP" panel=support expect="stages 4 and 5 never run; the DHCP switch put back"
ci=yes limit=420

scenario_network() {
    network_standard
    lab_internet down
}
scenario_probe() {
    probe gateway-answers lab_reaches "$LAB_GATEWAY"
    probe isp-silent fails lab_reaches "$LAB_ISP_PROBE"
    probe second-isp-silent fails lab_reaches "$LAB_SECOND_ISP_PROBE"
}
scenario_seed() { seed_static_machine; }
scenario_drive() {
    run_once 360
    # The support panel's other button: the contact dialog.
    click "${CONTACT_CANCEL[@]}"
    local dialog dx dy
    dialog=$(window_by_name "Contact Information" 10)
    check contact.dialog-shown $? "no contact dialog"
    settle
    shot contact-dialog
    if [ -n "$dialog" ]; then
        read -r dx dy < <(origin "$dialog" 232 149)
        xdotool mousemove $((dx + 114)) $((dy + 130)) click 1
        sleep 0.5
        ! window_by_name "Contact Information" 1 >/dev/null
        check contact.dialog-closed $? "OK did not close it"
    fi
    close_after_panel
}
scenario_judge() {
    expect_lines isp-repair "ISP check" "tcp probe $LAB_ISP_PROBE:53 no answer" \
        "tcp probe $LAB_SECOND_ISP_PROBE:53 no answer" "checking ISP connection step error - try to repair" \
        "adapters count:" "enabledhcp gateway found True" "ISP check" "put back interface settings" \
        "fail message Harbourline Premium Support" \
        "checking ISP connection step - fail couldn.t be repaired" "Exiting thread"
    expect_no_line no-name-resolution "check name resolution"
    expect_no_line no-browser-settings "browser settings"
    expect_no_line no-browser-settings-repair "Browser settings"
    [ ! -s "$LAB_RUN/web.out" ]
    check peers.no-page-fetched $? "a web server saw a request"
    expect_switch_put_back
    expect_tidy_end
}
