# The program's start and its close box, without a run: the branding block
# read, the registry exports written at start and removed at close.
title="Start-up and close"
fault="none; the user closes the window at once"
repairs="no repair" panel= expect="branding read and logged; Temp's registry exports written, then removed at close"
ci=yes limit=120

branding() { tr -d '\r\n' <"$lab_root/app/resources/branding/$1.txt"; }
scenario_drive() {
    start_program 'C:\PloverTool\PloverTool.exe'
    wait_window
    check welcome.window-shown $? "no wizard window"
    settle
    shot welcome
    wait_line "provider block :" 30
    has_line "read information"
    check welcome.branding-read $? "no 'read information' line"
    has_line "provider name :$(branding provided_name):"
    check welcome.provider-name $? "the partner's name not logged"
    has_line "provider block :$(branding provided_block):"
    check welcome.dns-servers $? "DNS servers not read"
    has_line "fpos1 "
    check welcome.vista-pair-chosen $? "no fpos1 line"
    grep -qF "Windows Registry Editor Version 5.00" "$temp/winsok2.reg" 2>/dev/null
    check welcome.reg-files-written $? "winsok2.reg missing"
    close_box
    wait_gone
    check close.program-ended $? "still running after the close box"
    has_line "close Plover tool"
    check close.logged $? "no close line"
    [ ! -e "$temp/winsok2.reg" ] && [ ! -e "$temp/winsok.reg" ]
    check close.reg-files-removed $? "reg files left behind"
}
