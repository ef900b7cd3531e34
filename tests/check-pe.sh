#!/bin/sh
# Checks built executables without running them: machine type, GUI or console subsystem,
# hardening flags, the manifest's execution level, DLL search hardening present, and imports from
# system DLLs only.
#   check-pe.sh [--console] i686|x86_64 EXE
set -u
subsystem=2
if [ "$1" = "--console" ]; then subsystem=3; shift; fi
arch=$1
exe=$2
status=0
fail() { echo "FAIL $exe: $*"; status=1; }

[ -f "$exe" ] || { echo "FAIL $exe: not built"; exit 1; }
headers=$("$arch-w64-mingw32-objdump" -p "$exe") || { echo "FAIL $exe: unreadable"; exit 1; }

case $arch in
i686)   format=pei-i386;   magic=010b; want=$((0x40 | 0x100 | 0x8000)) ;;           # PE32
x86_64) format=pei-x86-64; magic=020b; want=$((0x20 | 0x40 | 0x100 | 0x8000)) ;;    # PE32+
*) echo "usage: check-pe.sh [--console] i686|x86_64 EXE"; exit 2 ;;
esac

echo "$headers" | grep -q "file format $format" || fail "not $format"
echo "$headers" | grep -q "^Magic[[:space:]]*$magic" || fail "optional header magic is not $magic"
got=$(echo "$headers" | awk '/^Subsystem/ { print $2 + 0 }')
[ "$got" = "$subsystem" ] || fail "subsystem $got, expected $subsystem"

# DYNAMIC_BASE 0x40, NX_COMPAT 0x100, TERMINAL_SERVER_AWARE 0x8000, and HIGH_ENTROPY_VA 0x20 on
# x86_64.
flags=$(echo "$headers" | awk '/^DllCharacteristics/ { print $2 }')
have=$((0x$flags))
[ $((have & want)) -eq $want ] || fail "DllCharacteristics 0x$flags lacks 0x$(printf %x $want)"
echo "$headers" | grep -q "Time/Date.*Thu Jan  1 00:00:00 1970\|^Time/Date[[:space:]]*0" \
    || fail "link time stamp present: $(echo "$headers" | grep Time/Date)"

imports=$(echo "$headers" | awk '/DLL Name:/ { print toupper($3) }' | sort -u | tr '\n' ' ')
for dll in $imports; do
    case $dll in
    KERNEL32.DLL|ADVAPI32.DLL|USER32.DLL|GDI32.DLL|MSVCRT.DLL) ;;
    *) fail "imports $dll" ;;
    esac
done

# The dialog program asks for administrator rights; the console program runs as its caller, so
# that a caller without elevation gets its exit status rather than error 740.
level=requireAdministrator
[ $subsystem = 3 ] && level=asInvoker
grep -q "requestedExecutionLevel level=\"$level\"" "$exe" || fail "its manifest does not ask for $level"
grep -q "SetDefaultDllDirectories" "$exe" || fail "does not restrict the DLL search"
# The dialog program loads the common controls its manifest asks for (Windows XP and Server 2003
# would not), by name rather than as an import.
[ $subsystem = 3 ] || grep -q "InitCommonControlsEx" "$exe" || fail "does not load the common controls"

[ $status -eq 0 ] && echo "ok   $exe: $format, subsystem $subsystem, DllCharacteristics 0x$flags, imports $imports"
exit $status
