#!/bin/sh
# A patch whose write is cut short by the file system: UpgradePatchCmd.exe runs under a file-size
# limit (ulimit -f, SIGXFSZ ignored, so a write past it fails with EFBIG) on a registration file
# larger than the limit. It must exit 5, leave the file byte for byte as it was, and leave nothing
# beside it. Then the program's own limit, 64 MB: a 100 MB file is refused before anything is
# written, with the limit in the text, and a 50 MB file is patched as the two profile writes
# would patch it; a file of exactly 64 MiB that the patch would make larger is refused before
# anything is written. Each run's time is printed.
#   file-size-limit.sh ARCH BUILD_DIR     ARCH x86_64 or i686; WINEPREFIX set (the tests' prefix)
set -e
arch=$1
build=$2
. "$(dirname "$0")/wine-check.sh"
registration=$wine_registration
original=$(mktemp)
trap 'stage_cleanup; rm -f "$original"' EXIT
stage_installation

# About 5 MB of other content after the [zbk] section.
awk 'BEGIN {
    printf "[zbk]\r\nserial=Q-1\r\n"
    value = sprintf("%2500s", ""); gsub(/ /, "v", value)
    for (i = 0; i < 2000; i++) printf "[s%d]\r\n%s=1\r\n", i, value
}' > "$registration"
cp "$registration" "$original"

# 2048 blocks of 512 bytes: writes stop at 1 MiB.
status=0
(trap '' XFSZ; ulimit -f 2048; exec $wine_run "$build/UpgradePatchCmd.exe") >/dev/null 2>&1 || status=$?
failed=0
[ $status -eq 5 ] || { echo "exit status $status, not 5"; failed=1; }
cmp -s "$registration" "$original" || { echo "zbk.db changed"; failed=1; }
for leftover in "$registration".upgradepatch-*; do
    [ ! -e "$leftover" ] || { echo "left behind: $leftover"; failed=1; }
done
[ $failed -eq 0 ] && echo "ok: exit 5 under a 1 MiB file-size limit, zbk.db ($(stat -c %s "$registration") bytes) as it was"

for mb in 100 50; do
    awk -v mb=$mb 'BEGIN {
        printf "[zbk]\r\nserial=Q-1\r\n"
        value = sprintf("%1000s", ""); gsub(/ /, "v", value)
        for (i = 0; i < mb * 1024; i++) printf "[s%d]\r\n%s=1\r\n", i, value
    }' > "$registration"
    cp "$registration" "$original"
    start=$(date +%s%N)
    status=0
    $wine_run "$build/UpgradePatchCmd.exe" >/dev/null 2>"$original.err" || status=$?
    echo "$mb MB: exit status $status in $(( ($(date +%s%N) - start) / 1000000 )) ms"
    if [ $mb -eq 100 ]; then
        [ $status -eq 5 ] && grep -q "64 MB" "$original.err" && cmp -s "$registration" "$original" ||
            { echo "a 100 MB file was not refused whole with the limit in the text"; failed=1; }
    else
        [ $status -eq 0 ] && grep -q "^version=1\.8\.5" "$registration" &&
            [ "$(grep -c 'vv=1' "$registration")" -eq $((mb * 1024)) ] ||
            { echo "a 50 MB file was not patched with every other line kept"; failed=1; }
    fi
    rm -f "$original.err"
done
# Exactly 64 MiB: the file is taken, but the patch would make it larger than the program writes,
# so it is refused before anything is written.
awk 'BEGIN {
    target = 64 * 1024 * 1024
    printf "[zbk]\r\nserial=Q-1\r\n"; n = 19
    value = sprintf("%1000s", ""); gsub(/ /, "v", value)
    for (i = 0; n + 1040 < target; i++) n += length(sprintf("[s%d]\r\n%s=1\r\n", i, value))
    for (j = 0; j < i; j++) printf "[s%d]\r\n%s=1\r\n", j, value
    pad = sprintf("%" (target - n - 3) "s", ""); gsub(/ /, "v", pad)
    printf ";%s\r\n", pad
}' > "$registration"
cp "$registration" "$original"
status=0
$wine_run "$build/UpgradePatchCmd.exe" >/dev/null 2>"$original.err" || status=$?
echo "64 MiB, growing: exit status $status"
[ "$(stat -c %s "$registration")" -eq 67108864 ] && [ $status -eq 5 ] && grep -q "64 MB" "$original.err" &&
    cmp -s "$registration" "$original" || { echo "a patch past 64 MiB was not refused before writing"; failed=1; }
rm -f "$original.err"
for leftover in "$registration".upgradepatch-*; do
    [ ! -e "$leftover" ] || { echo "left behind: $leftover"; failed=1; }
done
exit $failed
