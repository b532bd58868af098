# Driving the wizard on a virtual screen, sourced by the lab's window
# sessions (which run inside a lab namespace, never elsewhere). Needs
# WINEPREFIX, and sets DISPLAY when it starts the screen.
#   screen_start / screen_stop       Xvfb, on a display it picks itself
#   start_program EXE [ARG...]        the program in the background
#   main_window, wait_window          the wizard's top-level X window
#   click X Y, close_box              clicks at client coordinates
#   shot NAME                         OUT/NN-NAME.png of the whole screen
#   has_line, count_lines, wait_line  the program's log
# Every wait is bounded.

# LAB_WINE: the loader for the build under test (docs/wine-builds.md); the
# 64-bit server serves 32-bit programs too.
driver_wine=${LAB_WINE:-/usr/lib/wine/wine64}
driver_wineserver=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

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
    local _
    for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
    export DISPLAY=:$(tr -dc 0-9 <"$fdfile")
    rm -f "$fdfile"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
screen_stop() {
    [ -n "$screen_pid" ] && kill "$screen_pid" 2>/dev/null
    screen_pid=
}

# The Wine session of the prefix, which lives in this namespace only.
wine_stop() {
    "$driver_wineserver" -k 2>/dev/null || true
    timeout 20 "$driver_wineserver" -w 2>/dev/null || true
}

# The program's temporary folder and log inside the prefix.
temp_folder() {
    local temp
    temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp 2>/dev/null | grep -v /Public/ | head -1)
    echo "${temp:-$WINEPREFIX/drive_c/users/root/Temp}"
}
log=

program_pid=
app_class=
start_program() {           # start_program EXE [ARG...]: the log is kept
    app_class=$(basename "$1" | tr 'A-Z' 'a-z')
    "$driver_wine" "$@" >/dev/null 2>&1 &
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
wait_window() {             # wait_window [SECONDS]
    local _
    for _ in $(seq $((${1:-20} * 10))); do main_window >/dev/null && return 0; sleep 0.1; done
    return 1
}
origin() {                  # client-area origin of an X window of a given client size
    local id=$1 width=$2 height=$3 info X Y WIDTH HEIGHT
    # xwininfo, not xdotool: xdotool counts the Wine desktop's offset twice.
    info=$(xwininfo -id "$id")
    X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    WIDTH=$(awk '/Width:/ {print $NF}' <<<"$info")
    HEIGHT=$(awk '/Height:/ {print $NF}' <<<"$info")
    local border=$(((WIDTH - width) / 2))
    echo "$((X + border)) $((Y + HEIGHT - height - border))"
}
click() {                   # click X Y in the wizard's client area
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" "$CLIENT_WIDTH" "$CLIENT_HEIGHT")
    xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
    xdotool mousemove 790 590
}
close_box() {               # the caption's close box, as a user would
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" "$CLIENT_WIDTH" "$CLIENT_HEIGHT")
    xdotool mousemove $((ox + 430)) $((oy - 11)) click 1
    xdotool mousemove 790 590
}
window_by_name() {          # window_by_name TITLE [SECONDS]: a visible top-level window
    local _ id
    for _ in $(seq $((${2:-10} * 10))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

shots=()
shot_number=0
shot() {                    # shot NAME: the whole screen into OUT
    shot_number=$((shot_number + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$out" "$shot_number" "$1")
    import -window root "$file" 2>/dev/null
    shots+=("$file")
}
client_shot() {             # client_shot FILE: the wizard's client area only
    local id ox oy
    id=$(main_window) || return 1
    read -r ox oy < <(origin "$id" "$CLIENT_WIDTH" "$CLIENT_HEIGHT")
    import -window root -crop "${CLIENT_WIDTH}x${CLIENT_HEIGHT}+$ox+$oy" +repage "$1" 2>/dev/null
}

has_line() { grep -aqF -- "$1" "$log" 2>/dev/null; }
count_lines() { grep -acF -- "$1" "$log" 2>/dev/null || true; }
wait_line() {               # wait_line TEXT [SECONDS]
    local _
    for _ in $(seq $((${2:-30} * 10))); do has_line "$1" && return 0; sleep 0.1; done
    return 1
}
wait_count() {              # wait_count TEXT COUNT [SECONDS]
    local _
    for _ in $(seq $((${3:-30} * 10))); do
        [ "$(count_lines "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
wait_gone() {               # the program has ended
    local _
    for _ in $(seq $((${1:-15} * 10))); do kill -0 "$program_pid" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
settle() { sleep 0.6; }
