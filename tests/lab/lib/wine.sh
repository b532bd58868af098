# The lab computer's Windows: which build of PloverTool.exe the lab runs and
# the Wine loader that runs it, and the lab's Wine prefix, booted once in a
# namespace with only loopback, saved as a seed and reset to that seed
# before every session (much faster than booting again). Needs network.sh.
#
#   lab_build x86_64|i686    LAB_BUILD, LAB_EXE and LAB_WINE (the loader);
#                            one 64-bit wineserver serves both builds
#   prefix_prepare PREFIX    boots the prefix and saves its seed, once
#   prefix_restore PREFIX    the seed again, with the build's program and
#                            the lab's stand-ins (LAB_STANDINS)
#   prefix_user_hosts        the hosts file the user had before any run
#   wine_stop                ends the Wine session of WINEPREFIX
#   wine_test_prefix DEST    a copy of the Wine tier's prefix (BUILD)
export WINESERVER=/usr/lib/wine/wineserver64 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
LAB_STANDINS=$lab_root/build/mingw-x86_64/lab/standins
LAB_SCENES=$lab_root/build/mingw-x86_64/lab/PloverToolScenes.exe

lab_build() {
    case $1 in
        x86_64) LAB_WINE=/usr/lib/wine/wine64 ;;
        i686) LAB_WINE=/usr/lib/wine/wine ;;
        *) echo "lab: no build '$1' (x86_64 or i686)" >&2; return 2 ;;
    esac
    LAB_BUILD=$1 LAB_EXE=$lab_root/build/mingw-$1/PloverTool.exe
    export LAB_BUILD LAB_EXE LAB_WINE
}
lab_build "${LAB_BUILD:-x86_64}"

wine_stop() {
    "$WINESERVER" -k 2>/dev/null
    timeout 20 "$WINESERVER" -w 2>/dev/null
    return 0
}

prefix_user_hosts() {       # comments, the local host and an entry of the user's, CR LF ended
    printf '%s\r\n' "# Hosts file of the lab computer." \
        "# One entry per line: the address, blanks, the host name." "" \
        "127.0.0.1       localhost" "$LAB_PRINTER      printer.home"
}

# What the seed must hold: a prefix booted before 32-bit Wine was installed
# has no 32-bit side for the i686 build.
prefix_kind() { if [ -x /usr/lib/wine/wine ]; then echo win64+wow64; else echo win64; fi; }

prefix_prepare() {
    local prefix=$1 seed=$1.seed
    [ "$(cat "$seed/.ready" 2>/dev/null)" = "$(prefix_kind)" ] && return 0
    echo "lab: booting the lab's Windows prefix"
    rm -rf "$prefix" "$seed"
    mkdir -p "$prefix" "$seed"
    # Every program in one 800 x 600 desktop; the lab's stand-ins before
    # Wine's own commands.
    printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="plover"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"plover"="800x600"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]' '"netsh.exe"="native"' \
        '"shutdown.exe"="native"' '"schtasks.exe"="native"' '' >"$seed/lab.reg"
    WINEPREFIX=$prefix lab_alone boot sh -c 'timeout 300 /usr/lib/wine/wine64 wineboot -i &&
        timeout 120 /usr/lib/wine/wine64 reg import "$1" && "$WINESERVER" -k &&
        timeout 30 "$WINESERVER" -w' sh "Z:${seed//\//\\}\\lab.reg" >/dev/null 2>&1 ||
        { echo "lab: the prefix did not boot" >&2; return 1; }
    rm "$seed/lab.reg"
    # Debian's Wine finds the window-caption glyph font only in the prefix.
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null
    local etc=$prefix/drive_c/windows/system32/drivers/etc
    prefix_user_hosts >"$etc/hosts"
    cp "$prefix"/*.reg "$seed/"
    cp -a "$etc" "$seed/etc"
    prefix_kind >"$seed/.ready"
}

prefix_restore() {
    local prefix=$1 seed=$1.seed system temp
    # A session that a killed lab left in this prefix would answer every
    # later program with that lab's network.
    WINEPREFIX=$prefix timeout 30 "$WINESERVER" -k 2>/dev/null
    cp "$seed"/*.reg "$prefix/"
    rm -rf "$prefix/drive_c/windows/system32/drivers/etc" "$prefix/drive_c/lab" "$prefix/drive_c/PloverTool"
    cp -a "$seed/etc" "$prefix/drive_c/windows/system32/drivers/etc"
    for temp in "$prefix"/drive_c/users/*/Temp; do find "$temp" -mindepth 1 -delete; done
    mkdir -p "$prefix/drive_c/lab/tasks" "$prefix/drive_c/PloverTool"
    cp "$LAB_EXE" "$prefix/drive_c/PloverTool/PloverTool.exe"
    for system in system32 syswow64; do
        [ -d "$prefix/drive_c/windows/$system" ] &&
            cp "$LAB_STANDINS"/{netsh,shutdown,schtasks}.exe "$prefix/drive_c/windows/$system/"
    done
    # Not a command of Windows: the lab's own second process.
    cp "$LAB_STANDINS/holdfile.exe" "$prefix/drive_c/lab/"
}

wine_test_prefix() {        # made (once) by the Wine tier's runner
    "$lab_root/tests/wine/run-under-wine.sh" "$BUILD/wineprefix" cmd.exe /c exit >/dev/null 2>&1
    cp -a "$BUILD/wineprefix" "$1"
}
