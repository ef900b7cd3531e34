#!/bin/sh
# UpgradePatch.exe driven by real input events on a virtual X display, through Wine's X11 driver:
# Alt+Space and keys open the About box from the system menu, Enter closes it, a mouse click on
# Start applies the patch, Enter dismisses the success box. The driver inside Wine
# (PatchInput.exe input) checks what the program did: the boxes, the exit status, the registration
# file. Exits 77 (skipped) where no X server can start, or for i686 where 32-bit programs cannot run.
#   real-input.sh i686|x86_64 BUILD_DIR PREFIX
#     BUILD_DIR holds UpgradePatch.exe and PatchInput.exe of that architecture; PREFIX is the Wine
#     prefix to run them in (made once; the tests' own prefix draws nothing).
set -u
arch=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-check.sh"
command -v xdotool >/dev/null || { echo "xdotool is not installed (sh scripts/setup.sh installs it)"; exit 1; }

export WINEPREFIX=$3
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
. "$here/x11-session.sh"

if ! x11_start_display 800x600; then
    echo "skipped: no X server could start: $x11_reason"
    exit 77
fi
sync=$(mktemp -d)
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    x11_stop_display
    rm -rf "$sync"
}
trap cleanup EXIT

x11_prepare_prefix
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w
"$WINE64" sc delete zbk >/dev/null 2>&1 || true
"$WINE64" "$build/PatchInput.exe" stage >/dev/null || { echo "FAIL: the sample installation could not be staged"; exit 1; }

SHOTS=$sync
"$WINE64" explorer /desktop=input,800x600 "$build/PatchInput.exe" input "$("$WINE64" winepath -w "$sync" 2>/dev/null)" &
driver=$!
x11_serve_requests "$sync" $driver
wait $driver
cat "$sync/report.txt"
# The desktop's exit status is not the driver's: the driver ends its report with its verdict.
if [ "$(tail -n 1 "$sync/report.txt")" != "result: ok" ]; then
    echo "FAIL: UpgradePatch.exe ($arch) did not do what real input asked of it"
    exit 1
fi
echo "ok: UpgradePatch.exe ($arch) patched through real input"
