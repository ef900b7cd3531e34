#!/bin/sh
# A patch whose write is cut short by the file system: UpgradePatchCmd.exe runs under a file-size
# limit (ulimit -f, SIGXFSZ ignored, so a write past it fails with EFBIG) on a registration file
# larger than the limit. It must exit 5, leave the file byte for byte as it was, and leave nothing
# beside it.
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
exit $failed
