#!/bin/sh
# The release programs as shipped, with a DLL planted beside them (tests/fixtures/Planted.c as
# uxtheme.dll, which the common controls load by name once the dialog program runs): the DLL is
# never loaded, because the programs restrict the DLL search to the system directory before they
# load anything by name. Wine is told to prefer a native uxtheme.dll wherever it finds one, so the
# planted file would be taken if the search reached the programs' folder. Wine's loader trace
# (WINEDEBUG=+loaddll) shows what was loaded from where; the dialog program must have loaded a
# uxtheme.dll, from the system directory. The console program loads no DLL by name, so a DLL
# planted beside it has nothing to be taken for: it is not tried here (check-pe.sh lists its
# imports, all system DLLs).
#   planted-dll.sh ARCH BUILD_DIR     ARCH x86_64 or i686; WINEPREFIX set (the tests' prefix)
set -u
arch=$1
build=$(cd "$2" && pwd)
. "$(dirname "$0")/wine-check.sh"
run=$wine_run
folder=$WINEPREFIX/drive_c/planted-$arch
trace=$(mktemp)
trap 'rm -rf "$folder" "$trace"' EXIT
rm -rf "$folder"
mkdir -p "$folder"
cp "$build/UpgradePatch.exe" "$folder/"
cp "$build/planted.dll" "$folder/uxtheme.dll"

status=0
program=UpgradePatch.exe
{
    # The program waits at its first box: it is ended once the common controls have loaded what
    # they load (or after 20 s).
    WINEDEBUG=+loaddll WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b" \
        $run "C:\\planted-$arch\\$program" --help >/dev/null 2>"$trace" &
    pid=$!
    i=0
    while kill -0 $pid 2>/dev/null && ! grep -qi 'uxtheme.dll"' "$trace" && [ $i -lt 200 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    if ! grep -q "Loaded L\".*planted-$arch\\\\\\\\$program\"" "$trace"; then
        echo "FAIL $program: did not start (no loader trace of it)"; status=1
    elif grep -i "Loaded L\".*planted-$arch\\\\\\\\uxtheme.dll\"" "$trace"; then
        echo "FAIL $program: loaded the uxtheme.dll planted beside it"; status=1
    elif ! grep -qi 'Loaded L"[^"]*uxtheme.dll"' "$trace"; then
        echo "FAIL $program: loaded no uxtheme.dll at all, so the check proves nothing"; status=1
    else
        from=$(grep -i -o 'Loaded L"[^"]*uxtheme.dll"' "$trace" | head -1)
        echo "ok   $program ($arch): the planted uxtheme.dll was not loaded${from:+ (${from#Loaded })}"
    fi
}
exit $status
