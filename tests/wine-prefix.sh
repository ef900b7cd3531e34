#!/bin/sh
# Creates (once) or stops the private Wine prefix of the tests.
#   wine-prefix.sh init PREFIX   create it with the null graphics driver, then start its one
#                                wineserver for the whole run, with the prefix booted
#   wine-prefix.sh stop PREFIX   end its wineserver and every program in it
#
# Debian's wineserver wrapper starts the server with -p0: without a persistent one, the server
# ends, and takes the prefix's system processes with it, whenever no test program runs for a
# moment. A program started during that shutdown waits for it (2.5 s) and then boots the prefix
# again in a new server, each time, while another entry may be starting beside it. So the run
# keeps one server (-p: persistent until wine-prefix.sh stop), booted before the first entry,
# with the 32-bit side started once too.
set -e
action=$1
export WINEPREFIX=$2
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

case "$action" in
init)
    # The marker records whether 32-bit Wine was there when the prefix was made: a prefix made
    # without it has no syswow64 to run i686 programs in (an update does not give it one: the
    # 32-bit kernel32 then cannot be loaded), and is made anew once it is.
    kind=win64
    sh "$(dirname "$0")/wine-run.sh" --check-i686 >/dev/null && kind=wow64
    if [ -f "$WINEPREFIX/.patch-tests-ready" ] && { [ "$(cat "$WINEPREFIX/.patch-tests-ready")" != "$kind" ] ||
        { [ $kind = wow64 ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }; }; then
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.patch-tests-ready" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE64" wineboot -i >/dev/null 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
        echo "$kind" > "$WINEPREFIX/.patch-tests-ready"
    fi
    # A desktop or services.exe started before the settings above would serve stale ones.
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w
    # The server and the prefix's system processes outlive this script: they get no output of
    # CTest's to hold open, and write into the prefix's log instead.
    log="$WINEPREFIX/wineserver.log"
    "$WINESERVER" -p </dev/null >>"$log" 2>&1
    # The first program of a new server boots the prefix (wineboot --init: services, desktop) and
    # waits for it; the first 32-bit program starts the WoW64 side. Both before any entry.
    "$WINE64" cmd /c exit </dev/null >>"$log" 2>&1
    if [ $kind = wow64 ]; then
        "$WINE64" 'C:\windows\syswow64\cmd.exe' /c exit </dev/null >>"$log" 2>&1
    fi
    # Leftovers of an interrupted run: the product service, a changed screen resolution, and the
    # registration file in both views of the system directory (64-bit system32, 32-bit syswow64).
    "$WINE64" sc delete zbk >/dev/null 2>&1 || true
    "$WINE64" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX/drive_c/windows/system32/zbk.db" "$WINEPREFIX/drive_c/windows/syswow64/zbk.db"
    ;;
stop)
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    ;;
*)
    echo "usage: wine-prefix.sh init|stop PREFIX" >&2
    exit 2
    ;;
esac
