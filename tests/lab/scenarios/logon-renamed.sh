# The log-on start of a program the user renamed and keeps in a folder with
# a blank, over an older task of the same name: the lab's schtasks refuses
# what the real one refuses (a program it cannot find, a task replaced
# without /f).
title="Log-on start of a renamed program"
fault="as winsock-yes; the program is C:\Plover Tools\Harbour Fix.exe and an older task exists"
repairs="addresses renewed, caches flushed, TCP/IP and Winsock reset, restart accepted"
panel=hidden expect="the task names the program's own quoted path, with highest rights and /f"
ci=yes limit=300
LAB_PROGRAM='C:\Plover Tools\Harbour Fix.exe'

scenario_network() { network_self_assigned; }
scenario_probe() { probe_no_default_route; }
scenario_seed() {
    seed_corrupted_winsock
    mkdir -p "$WINEPREFIX/drive_c/Plover Tools"
    cp "$LAB_EXE" "$WINEPREFIX/drive_c/Plover Tools/Harbour Fix.exe"
    printf 'C:\\old\\PloverTool.exe /waitsuspend\r\n' >"$lab_folder/tasks/PloverTool"
}
scenario_drive() { up_to_restart; }
scenario_judge() {
    expect_restart_arrangements
    grep -qxF 'PloverTool: "C:\Plover Tools\Harbour Fix.exe" /waitsuspend' "$out/state/scheduled-tasks.txt"
    check state.logon-start $? "log-on start: $(cat "$out/state/scheduled-tasks.txt")"
    grep -q '^schtasks /create .* /sc onlogon /rl highest /f$' "$out/state/commands.txt"
    check state.highest-rights $? "commands: $(tr '\n' ' ' <"$out/state/commands.txt")"
}
