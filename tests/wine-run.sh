#!/bin/sh
# Runs a Windows program of the x86_64 build under Wine, in the private prefix named by WINEPREFIX,
# with the ANSI code page 936 (zh_CN locale). CTest uses it as the cross-compiling emulator.
if [ -z "$WINEPREFIX" ]; then
    echo "wine-run.sh: WINEPREFIX is not set (the tests set it to the build tree's prefix)" >&2
    exit 2
fi
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
exec "$WINE64" "$@"
