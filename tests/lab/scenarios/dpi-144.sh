# The window at 144 DPI: the program declares DPI awareness, so Windows
# draws it unstretched and the window scales its 96-DPI design itself.
title="High DPI (144)"
fault="none; the screen is set to 144 DPI (150 %)"
repairs="no repair" panel= expect="the welcome screen 660 x 720, sharp; closed at once"
ci=no limit=90
LAB_SCREEN=1024x800

scenario_seed() {
    seed_lab_machine
    reg_key 'HKEY_CURRENT_USER\Control Panel\Desktop'
    reg_value LogPixels dword:00000090
    reg_key 'HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops'
    reg_value plover '"1024x800"'
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
    [ "${size%x*}" -ge 660 ] && [ "${size%x*}" -le 680 ] && [ "${size#*x}" -ge 720 ] && [ "${size#*x}" -le 760 ]
    check dpi.window-scaled $? "window $size, not 660 x 720 and its frame"
    close_box
    wait_gone
    check close.program-ended $? "still running after the close box"
}
