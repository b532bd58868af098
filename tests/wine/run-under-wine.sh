#!/usr/bin/env bash
# Runs a Windows test program under 64-bit Wine in the prefix given as the
# first argument, creating that prefix on first use. Test copies named
# *_xp.exe, *_vista.exe and *_win10.exe see Windows XP, Vista and 10. Windows are
# drawn by Wine's null display driver.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/.plover-ready" ]; then
        "$wine" wineboot -i >/dev/null 2>&1 || true
        for pair in xp:winxp vista:vista; do
            suffix=${pair%%:*} version=${pair#*:}
            "$wine" reg add "HKCU\\Software\\Wine\\AppDefaults\\plover_wine_tests_$suffix.exe" \
                /v Version /d "$version" /f >/dev/null 2>&1
        done
        "$wine" wineserver -w 2>/dev/null || true
        touch "$prefix/.plover-ready"
    fi
    if [ ! -f "$prefix/.plover-win10" ]; then
        "$wine" reg add "HKCU\\Software\\Wine\\AppDefaults\\plover_wine_tests_win10.exe" \
            /v Version /d win10 /f >/dev/null 2>&1
        "$wine" wineserver -w 2>/dev/null || true
        touch "$prefix/.plover-win10"
    fi
    # The wizard's own window (the session-end test) is a top-level window,
    # which needs a display driver; the tier has no X server, so the prefix
    # takes Wine's null driver.
    if [ ! -f "$prefix/.plover-null-display" ]; then
        "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        "$wine" wineserver -w 2>/dev/null || true
        touch "$prefix/.plover-null-display"
    fi
) 9>"$prefix.lock"
# Start the server and Wine's own services detached from our output: they
# outlive the test, and a reader of our output would wait for them to end.
/usr/lib/wine/wineserver64 -p15 </dev/null >/dev/null 2>&1 || true
"$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
exec "$wine" "$@"
