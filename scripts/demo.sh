#!/bin/sh
# The demo: stages a sample installation in a private Wine prefix (service "zbk" under a
# Chinese-named directory, Word1 "Quellor 1.8.5", a registration file) and runs UpgradePatch.exe:
# the i686 release, which administrators get, where this machine runs 32-bit programs, otherwise
# the x86_64 build. It says which one it ran.
#   With a display: the dialog opens in a window; click Start yourself.
#   Without one (or with --headless): it runs on a virtual screen, presses Start itself, prints
#   what each box said and the registration file, and saves screenshots as PNG files.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
sh scripts/setup.sh

if reason=$(sh tests/wine-run.sh --check-i686); then
    preset=win32 arch=i686 view=syswow64
    about="the i686 release, run in WoW64 (its system32 is the 32-bit view, syswow64)"
else
    preset=win64 arch=x86_64 view=system32
    about="the x86_64 build, because the i686 release cannot run here: $reason"
fi
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target UpgradePatch PatchDemo
BUILD=$ROOT/build/$preset
echo "demo: running $about"

DEMO=$ROOT/build/demo
export WINEPREFIX=$DEMO/prefix
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
SHOTS=${SHOTS:-$DEMO/screenshots}
REGISTRATION=$WINEPREFIX/drive_c/windows/$view/zbk.db

headless=
if [ "$1" = "--headless" ] || [ -z "$DISPLAY" ]; then
    headless=1
fi

xvfb_pid=
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -n "$headless" ]; then
    display=99
    while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    sleep 1
fi

if [ ! -f "$WINEPREFIX/.patch-demo-ready" ]; then
    echo "demo: creating the Wine prefix $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1
    # The dialogs ask for SimSun (宋体); the CJK font installed on this machine stands in.
    for face in "宋体" "SimSun"; do
        "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Zen Hei" /f >/dev/null 2>&1
    done
    touch "$WINEPREFIX/.patch-demo-ready"
fi
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w

"$WINE64" sc delete zbk >/dev/null 2>&1 || true
"$WINE64" "$BUILD/PatchDemo.exe" stage

if [ -z "$headless" ]; then
    echo "demo: UpgradePatch.exe ($arch) is open on $DISPLAY; press 开 始 (Start)"
    status=0
    "$WINE64" "$BUILD/UpgradePatch.exe" || status=$?
    echo "demo: UpgradePatch.exe ended with status $status"
    echo "demo: the registration file ($view\\zbk.db) now reads:"
    iconv -f GBK -t UTF-8 < "$REGISTRATION"
    exit 0
fi

sync=$(mktemp -d)
mkdir -p "$SHOTS"
"$WINE64" explorer /desktop=shot,800x600 "$BUILD/PatchDemo.exe" drive "$("$WINE64" winepath -w "$sync" 2>/dev/null)" &
driver=$!
for name in main-dialog about-box success-box; do
    waited=0
    while [ ! -e "$sync/$name.request" ] && [ $waited -lt 300 ] && kill -0 $driver 2>/dev/null; do
        sleep 0.1; waited=$((waited + 1))
    done
    if [ -e "$sync/$name.request" ]; then
        import -display "$DISPLAY" -window root "$SHOTS/$name.png"
        echo "demo: screenshot $SHOTS/$name.png"
        touch "$sync/$name.done"
    fi
done
wait $driver || true
echo "demo: what UpgradePatch.exe ($arch) showed and did:"
cat "$sync/report.txt"
rm -rf "$sync"
