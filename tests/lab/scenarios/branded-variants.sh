# Builds branded for a reseller whose block lacks a part: without the DNS
# servers the program ends at once; without the support text it runs with
# an empty contact message.
title="Branded variants"
fault="the reseller's block without its DNS servers, then without its support text"
repairs="no repair" panel=
expect="no window and the reader's lines without DNS servers; an empty contact message without the text"
ci=yes limit=150

scenario_seed() {
    seed_lab_machine
    local brand=(/usr/bin/python3 "$lab_root/scripts/brand-exe.py" "$LAB_EXE" --block "$lab_root/app/resources/branding")
    "${brand[@]}" --omit provided_block --allow-incomplete -o "$WINEPREFIX/drive_c/PloverTool/NoDnsServers.exe"
    "${brand[@]}" --omit contact_support -o "$WINEPREFIX/drive_c/PloverTool/NoSupportText.exe"
}
scenario_drive() {
    start_program 'C:\PloverTool\NoDnsServers.exe'
    wait_gone
    check no-dns.ends-at-once $? "kept running"
    ! main_window >/dev/null
    check no-dns.no-window $? "showed a window"
    has_line "read information" && has_line "provider name ::" && has_line "router message :"
    check no-dns.log-lines $? "reader lines missing"
    mv "$log" "$out/no-dns-servers.log"
    start_program 'C:\PloverTool\NoSupportText.exe'
    wait_window
    check no-support.starts $? "no window"
    has_line "contact message ::"
    check no-support.empty-text $? "support text not empty"
    click "${CLOSE_WELCOME[@]}"
    wait_gone
    check no-support.closed $? "still running"
}
