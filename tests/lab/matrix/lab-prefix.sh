# The lab computer's Windows side, sourced by tests/lab/matrix/run-scenario.sh:
# one Wine prefix booted once (in a namespace with only loopback) and reset
# to a saved seed before every scenario, which is much faster than booting
# again. Wine must not be running in the prefix while it is reset.
#
# The seed is a Windows machine as a user has it: the wizard's desktop size,
# a hosts file of the user's own, the lab's stand-ins for the commands Wine
# lacks (netsh, shutdown, schtasks) preferred over Wine's own, and
# C:\PloverTool\PloverTool.exe, started from its own folder. What depends on
# the scenario's namespace (the adapter's interface key) is written by the
# session itself.

prefix_wine=/usr/lib/wine/wine64
prefix_wineserver=/usr/lib/wine/wineserver64

# The hosts file the user had before any run: comments, the local host and
# an entry of their own, with Windows line ends.
prefix_user_hosts() {
    printf '%s\r\n' \
        "# Hosts file of the lab computer." \
        "# One entry per line: the address, blanks, the host name." \
        "" \
        "127.0.0.1       localhost" \
        "10.77.0.20      printer.home"
}

prefix_seed_dir() { echo "$1.seed"; }

# prefix_prepare PREFIX: boots the prefix and saves its seed, once.
prefix_prepare() {
    local prefix=$1 seed
    seed=$(prefix_seed_dir "$prefix")
    [ -f "$seed/.ready" ] && return 0
    rm -rf "$prefix" "$seed"
    mkdir -p "$prefix" "$seed"
    local ns=${LAB_NS_PREFIX:-plv}-boot-$$
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    local in_ns=(ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all
        WINEDLLOVERRIDES="mscoree,mshtml=")
    "${in_ns[@]}" timeout 300 "$prefix_wine" wineboot -i >/dev/null 2>&1
    local reg=$prefix/drive_c/seed.reg
    printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="plover"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"plover"="800x600"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]' \
        '"netsh.exe"="native"' '"shutdown.exe"="native"' '"schtasks.exe"="native"' '' >"$reg"
    "${in_ns[@]}" timeout 120 "$prefix_wine" reg import 'C:\seed.reg' >/dev/null 2>&1
    local status=$?
    rm -f "$reg"
    "${in_ns[@]}" "$prefix_wineserver" -k >/dev/null 2>&1
    "${in_ns[@]}" timeout 30 "$prefix_wineserver" -w >/dev/null 2>&1
    ip netns del "$ns"
    [ "$status" -eq 0 ] || { echo "lab prefix: the seed registry was not imported" >&2; return 1; }
    # Debian's Wine finds the window-caption glyph font only in the prefix.
    [ -f /usr/share/wine/fonts/marlett.ttf ] &&
        cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
    local etc=$prefix/drive_c/windows/system32/drivers/etc
    prefix_user_hosts >"$etc/hosts"
    cp "$prefix"/*.reg "$seed/"
    cp -a "$etc" "$seed/etc"
    touch "$seed/.ready"
}

# prefix_restore PREFIX EXE STANDINS_DIR: the seed again, with this build's
# program and stand-ins.
prefix_restore() {
    local prefix=$1 exe=$2 standins=$3 seed
    seed=$(prefix_seed_dir "$prefix")
    cp "$seed"/*.reg "$prefix/"
    local etc=$prefix/drive_c/windows/system32/drivers/etc
    rm -rf "$etc"
    cp -a "$seed/etc" "$etc"
    local temp
    for temp in "$prefix"/drive_c/users/*/Temp; do
        [ -d "$temp" ] && find "$temp" -mindepth 1 -delete
    done
    rm -rf "$prefix/drive_c/lab" "$prefix/drive_c/PloverTool"
    mkdir -p "$prefix/drive_c/lab/tasks" "$prefix/drive_c/PloverTool"
    cp "$exe" "$prefix/drive_c/PloverTool/PloverTool.exe"
    cp "$standins"/netsh.exe "$standins"/shutdown.exe "$standins"/schtasks.exe \
        "$prefix/drive_c/windows/system32/"
    # Not a command of Windows: the lab's own second process, kept in C:\lab.
    if [ -f "$standins/holdfile.exe" ]; then cp "$standins/holdfile.exe" "$prefix/drive_c/lab/"; fi
}
