#!/bin/sh
# Runs a Windows program under Wine, in the private prefix named by WINEPREFIX, with the ANSI code
# page 936 (zh_CN locale) unless PATCH_LOCALE names another. CTest uses it as the cross-compiling emulator.
#   wine-run.sh PROGRAM [ARGS]          an x86_64 program
#   wine-run.sh --i686 PROGRAM [ARGS]   an i686 program, run in WoW64 by the 32-bit loader; exits
#                                       77 (skipped) with the reason where that loader cannot start
#   wine-run.sh --check-i686            exits 0 when 32-bit programs can run, else prints why
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
# The 32-bit loader of Debian's wine32 package; wine64 hands PE32 programs to it.
WINE32=/usr/lib/wine/wine

i686_unavailable() {
    if [ ! -x "$WINE32" ]; then
        echo "32-bit Wine (wine32:i386) is not installed; sh scripts/setup.sh installs it"
    elif ! "$WINE32" --version >/dev/null 2>&1; then
        echo "this machine's kernel cannot execute 32-bit programs (the 32-bit Wine loader does not start)"
    else
        return 1
    fi
}

case "$1" in
--check-i686)
    i686_unavailable && exit 1
    exit 0
    ;;
--i686)
    shift
    if reason=$(i686_unavailable); then
        echo "skipped: the i686 half is not run here: $reason"
        exit 77
    fi
    ;;
esac

if [ -z "$WINEPREFIX" ]; then
    echo "wine-run.sh: WINEPREFIX is not set (the tests set it to the build tree's prefix)" >&2
    exit 2
fi
# PATCH_LOCALE runs a program under another system locale: C.UTF-8 gives the ANSI code page 1252.
export LC_ALL=${PATCH_LOCALE:-zh_CN.UTF-8}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# PATCH_SAY_STATUS=1 (the GoogleTest entries of CTest): a test passes by GoogleTest's own line, and
# CTest then ignores the exit status, so a status other than 0 is said in a line that the entries'
# fail expression matches. Otherwise the program takes this process's place.
[ "${PATCH_SAY_STATUS:-}" = 1 ] || exec "$WINE64" "$@"
out=$(mktemp) err=$(mktemp)
"$WINE64" "$@" >"$out" 2>"$err"
status=$?
cat "$out"
cat "$err" >&2
if [ $status -ne 0 ] && ! grep -q '^\[==========\] Running' "$out"; then
    # GoogleTest never began: Wine could not start the program, and no test has a verdict. What
    # Wine said stands above; its loader and process errors, which WINEDEBUG=-all keeps quiet,
    # from a second start that only lists the tests.
    echo "wine-run.sh: Wine could not start $1 (status $status): no test ran" >&2
    WINEDEBUG=err+all,fixme-all "$WINE64" "$1" --gtest_list_tests 2>&1 >/dev/null |
        sed 's/^/wine-run.sh: Wine, started again: /' >&2
elif [ $status -ne 0 ]; then
    echo "wine-run.sh: the program ended with status $status" >&2
fi
rm -f "$out" "$err"
exit $status
