# The window at 144 DPI: the program declares DPI awareness, so Windows
# draws it unstretched and the window scales its 96-DPI design itself.
title="High DPI (144)"
fault="none; the screen is set to 144 DPI (150 %)"
repairs="no repair" panel= expect="the welcome screen 660 wide and sharp, its caption on the screen; closed at once"
ci=yes limit=90

scenario_seed() {
    seed_lab_machine
    reg_key 'HKEY_CURRENT_USER\Control Panel\Desktop'
    reg_value LogPixels dword:00000090
}
scenario_drive() {
    start_program 'C:\PloverTool\PloverTool.exe'
    wait_window 30
    check dpi.window-shown $? "no wizard window"
    settle
    shot welcome-144dpi
    local size
    size=$(xwininfo -id "$(main_window)" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}')
    say "window with its frame: $size"
    # The lab's desktop is 600 high: the window's 720 are cut there.
    [ "${size%x*}" -ge 660 ] && [ "${size%x*}" -le 680 ]
    check dpi.window-scaled $? "window $size, not 660 wide and its frame"
    # The close box lies where the 96-DPI driver does not look: Escape closes.
    xdotool key Escape
    wait_gone
    check close.escape-closes $? "still running after Escape"
}
