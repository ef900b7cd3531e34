# Sourced by the demo and the real-input test: a virtual X display, a Wine prefix that draws on it,
# and the loop that carries out what a driver program inside Wine asks for (screenshots, key
# presses, mouse clicks). The caller sets WINEPREFIX, WINE64 and WINESERVER.

# Starts Xvfb on a free display of the given size and exports DISPLAY; sets xvfb_pid. Fails where
# no X server can start, with the reason in x11_reason.
x11_start_display() {
    xvfb_pid= x11_reason=
    command -v Xvfb >/dev/null || { x11_reason="Xvfb is not installed"; return 1; }
    display=99
    while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    waited=0
    while [ ! -S "/tmp/.X11-unix/X$display" ] && [ $waited -lt 50 ]; do
        if ! kill -0 $xvfb_pid 2>/dev/null; then
            x11_reason="Xvfb exited at start" xvfb_pid=
            return 1
        fi
        sleep 0.1; waited=$((waited + 1))
    done
    [ -S "/tmp/.X11-unix/X$display" ] || { x11_reason="Xvfb did not open display :$display"; return 1; }
    export DISPLAY=":$display"
}

x11_stop_display() {
    if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    xvfb_pid=
}

# Creates the prefix once (Wine's X11 driver, the default), then makes sure that it has what the
# dialogs ask for: a CJK font standing in for SimSun, and the Marlett symbol font that Wine
# draws caption buttons with. The stand-in is WenQuanYi Micro Hei, an outline font: at 9 points
# the embedded bitmaps of WenQuanYi Zen Hei draw wrong glyphs (如果 as 如米, 通过 as 证过).
# Debian keeps Wine's own fonts in /usr/share/wine/fonts (fonts-wine), where this Wine does not
# look: without a copy in the prefix's Fonts folder the close button is drawn as the letter "r".
x11_prepare_prefix() {
    # A prefix made before 32-bit Wine was installed has no syswow64: made anew.
    if [ -f "$WINEPREFIX/.patch-x11-ready" ] && [ -x /usr/lib/wine/wine ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        "$WINESERVER" -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.patch-x11-ready" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE64" wineboot -i >/dev/null 2>&1
        touch "$WINEPREFIX/.patch-x11-ready"
    fi
    for face in "宋体" "SimSun"; do
        "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        mkdir -p "$fonts"
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
}

# Sets the screen resolution that Wine gives programs started afterwards (winecfg's setting).
x11_set_dpi() {
    "$WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# Carries out the driver's numbered requests in SYNC (N.request, answered by N.done) while the
# driver (pid) runs:
#   shot NAME        screenshot of the whole display to $SHOTS/NAME$SHOT_SUFFIX.png
#   key KEY...       key presses, as xdotool names them
#   click X Y        a left click at that point of the screen
x11_serve_requests() {
    sync=$1 driver=$2 n=1
    while kill -0 "$driver" 2>/dev/null || [ -e "$sync/$n.request" ]; do
        if [ ! -e "$sync/$n.request" ]; then
            sleep 0.1
            continue
        fi
        set -- $(cat "$sync/$n.request")
        case $1 in
        shot)
            import -display "$DISPLAY" -window root "$SHOTS/$2$SHOT_SUFFIX.png"
            echo "screenshot $SHOTS/$2$SHOT_SUFFIX.png" ;;
        key)
            shift
            xdotool key --delay 150 "$@" ;;
        click)
            xdotool mousemove "$2" "$3" sleep 0.2 click 1 ;;
        esac
        touch "$sync/$n.done"
        n=$((n + 1))
    done
}
