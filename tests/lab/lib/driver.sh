# Driving the wizard on a virtual screen, inside a lab namespace only.
# Needs wine.sh and WINEPREFIX; sets DISPLAY when it starts the screen.
#   screen_start / screen_stop        Xvfb, on a display it picks itself
#   start_program EXE [ARG...]        a program of the prefix, in the background
#   main_window, wait_window          the wizard's top-level X window
#   click X Y, close_box, origin      clicks at client coordinates
#   shot NAME, client_shot FILE       OUT/NN-NAME.png of the whole screen; the client area
#   has_line, count_lines, wait_line, wait_count   the program's log (log)
# Every wait is bounded; LAB_SLOW multiplies the bounds where Wine runs
# through an emulator.
LAB_SLOW=${LAB_SLOW:-1}

# Button centres in client coordinates (the client area is 440 x 480).
RUN_WELCOME=(315 453) RUN_FAILURE=(362 453) CONTACT_CANCEL=(224 453)
CLOSE_WELCOME=(127 453) CLOSE_FAILURE=(81 453)
CLIENT_WIDTH=440 CLIENT_HEIGHT=480

screen_pid=
screen_start() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    screen_pid=$!
    bounded 5 test -s "$fdfile"
    export DISPLAY=:$(tr -dc 0-9 <"$fdfile")
    rm -f "$fdfile"
    bounded 5 eval 'xdpyinfo >/dev/null 2>&1'
}
screen_stop() {
    [ -n "$screen_pid" ] && kill "$screen_pid" 2>/dev/null
    screen_pid=
}

temp_folder() {             # the program's temporary folder in the prefix
    local temp
    temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp 2>/dev/null | grep -v /Public/ | head -1)
    echo "${temp:-$WINEPREFIX/drive_c/users/root/Temp}"
}

program_pid= app_class=
start_program() {           # the window class is the program's file name
    app_class=$(tr 'A-Z\\' 'a-z/' <<<"$1")
    app_class=${app_class##*/}
    "$LAB_WINE" "$@" >/dev/null 2>&1 &
    program_pid=$!
}
main_window() {             # the wizard's top-level X window (446 x 505 with frame)
    local id width
    for id in $(xdotool search --onlyvisible --classname "^${app_class//./\\.}\$" 2>/dev/null); do
        width=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ {print $NF}')
        [ "${width:-0}" -ge 400 ] 2>/dev/null && { echo "$id"; return 0; }
    done
    return 1
}
bounded() {                 # bounded SECONDS COMMAND...: COMMAND until it holds, ten times a second
    local limit=$(($1 * LAB_SLOW * 10)) _
    shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
    return 1
}
wait_window() { bounded "${1:-20}" main_window >/dev/null; }
origin() {                  # origin WINDOW WIDTH HEIGHT: its client area's top left on the screen
    local info x y width height border
    # xwininfo, not xdotool: xdotool counts the Wine desktop's offset twice.
    info=$(xwininfo -id "$1")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/Width:/ {print $NF}' <<<"$info")
    height=$(awk '/Height:/ {print $NF}' <<<"$info")
    border=$(((width - $2) / 2))
    echo "$((x + border)) $((y + height - $3 - border))"
}
click() {                   # click X Y in the wizard's client area
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" "$CLIENT_WIDTH" "$CLIENT_HEIGHT")
    xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
    xdotool mousemove 790 590
}
close_box() { click 430 -11; }  # the caption's close box, as a user closes a window
named_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
window_by_name() { bounded "${2:-10}" named_window "$1"; }  # TITLE [SECONDS]

shots=() shot_number=0
shot() {
    shot_number=$((shot_number + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$out" "$shot_number" "$1")
    import -window root "$file" 2>/dev/null
    shots+=("$file")
}
client_shot() {
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" "$CLIENT_WIDTH" "$CLIENT_HEIGHT")
    import -window root -crop "${CLIENT_WIDTH}x${CLIENT_HEIGHT}+$ox+$oy" +repage "$1" 2>/dev/null
}

has_line() { grep -aqF -- "$1" "$log" 2>/dev/null; }
count_lines() { grep -acF -- "$1" "$log" 2>/dev/null || true; }
at_least() { [ "$(count_lines "$1")" -ge "$2" ]; }
wait_line() { bounded "${2:-30}" has_line "$1"; }
wait_count() { bounded "${3:-30}" at_least "$1" "$2"; }
running() { kill -0 "$program_pid" 2>/dev/null; }
wait_gone() { bounded "${1:-15}" eval '! running'; }
settle() { sleep 0.6; }
