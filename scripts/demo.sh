#!/bin/sh
# The demo: stages a sample installation in a private Wine prefix (service "zbk" under a
# Chinese-named directory, Word1 "Quellor 1.8.5", a registration file) and runs UpgradePatch.exe:
# the i686 release, which administrators get, where this machine runs 32-bit programs, otherwise
# the x86_64 build. It says which one it ran.
#   With a display: the dialog opens in a window; click Start yourself.
#   Without one (or with --headless): it runs on a virtual screen, presses Start itself, prints
#   what each box said and the registration file, and saves screenshots as PNG files: once at
#   96 DPI, then the main dialog and the About box again at 144 DPI (150 %).
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
sh scripts/setup.sh

if reason=$(sh tests/wine-run.sh --check-i686); then
    preset=win32 arch=i686 view=syswow64
    about="the i686 release, run in WoW64 (its system32 is the 32-bit view, syswow64)"
else
    preset=win64 arch=x86_64 view=system32
    about="the x86_64 build, NOT the i686 release that administrators get, which cannot run here: $reason"
fi
echo "demo: running $about"
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target UpgradePatch PatchDemo
BUILD=$ROOT/build/$preset

DEMO=$ROOT/build/demo
export WINEPREFIX=$DEMO/prefix
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
SHOTS=${SHOTS:-$DEMO/screenshots}
REGISTRATION=$WINEPREFIX/drive_c/windows/$view/zbk.db
. tests/x11-session.sh

headless=
if [ "$1" = "--headless" ] || [ -z "$DISPLAY" ]; then
    headless=1
fi

cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    x11_stop_display
}
trap cleanup EXIT

if [ -n "$headless" ]; then
    x11_start_display 800x600 || { echo "demo: no virtual screen could start: $x11_reason"; exit 1; }
fi
[ -f "$WINEPREFIX/.patch-x11-ready" ] || echo "demo: creating the Wine prefix $WINEPREFIX (once)"
x11_prepare_prefix
x11_set_dpi 96
# Settings take effect in a freshly started prefix.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

stage() {
    "$WINE64" sc delete zbk >/dev/null 2>&1 || true
    "$WINE64" "$BUILD/PatchDemo.exe" stage
}

if [ -z "$headless" ]; then
    stage
    echo "demo: UpgradePatch.exe ($arch) is open on $DISPLAY; press 开 始 (Start)"
    status=0
    "$WINE64" "$BUILD/UpgradePatch.exe" || status=$?
    echo "demo: UpgradePatch.exe ended with status $status"
    echo "demo: the registration file ($view\\zbk.db) now reads:"
    iconv -f GBK -t UTF-8 < "$REGISTRATION"
    exit 0
fi

# One run on the virtual screen: the driver asks for a screenshot at each step. A run whose
# report does not end in "result: ok" is named in $failed.
failed=
drive() {
    sync=$(mktemp -d)
    "$WINE64" explorer /desktop=shot,800x600 "$BUILD/PatchDemo.exe" drive "$("$WINE64" winepath -w "$sync" 2>/dev/null)" &
    driver=$!
    x11_serve_requests "$sync" $driver | sed 's/^/demo: /'
    wait $driver || true
    echo "demo: what UpgradePatch.exe ($arch) showed and did${SHOT_SUFFIX:+ at ${SHOT_SUFFIX#-}}:"
    cat "$sync/report.txt" 2>/dev/null || echo "(the driver wrote no report)"
    grep -qx "result: ok" "$sync/report.txt" 2>/dev/null || failed="$failed, $1"
    rm -rf "$sync"
}

mkdir -p "$SHOTS"
stage
SHOT_SUFFIX= drive "96 DPI"

# The same at 144 DPI; the success box is left out of this set.
x11_set_dpi 144
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w
stage >/dev/null
SHOT_SUFFIX=-144dpi drive "144 DPI" >/dev/null
rm -f "$SHOTS/success-box-144dpi.png"
echo "demo: screenshots at 144 DPI: $SHOTS/main-dialog-144dpi.png $SHOTS/about-box-144dpi.png"
x11_set_dpi 96
if [ -n "$failed" ]; then
    echo "demo: FAILED: the run at ${failed#, } did not end as expected (the 96 DPI run's report is above; the screenshots show both)"
    exit 1
fi
echo "demo: both runs ended as expected"
