#!/bin/sh
# Prints the size of each built program against the 32 KiB budget of the release.
#   size-report.sh           print only
#   size-report.sh --check   also fail when a release program (build/win32) is missing or over
#                            the budget; the x86_64 build, which is not shipped, is only printed
cd "$(dirname "$0")/.."
budget=32768
check=
[ "${1:-}" = "--check" ] && check=1
status=0
printf '%-8s %-22s %8s %8s %s\n' build program bytes KiB budget
for build in win32 win64; do
    for program in UpgradePatch.exe UpgradePatchCmd.exe; do
        exe=build/$build/$program
        if [ ! -f "$exe" ]; then
            printf '%-8s %-22s %8s\n' "$build" "$program" "not built"
            [ $build = win64 ] || status=1
            continue
        fi
        size=$(stat -c %s "$exe")
        verdict="within 32 KiB ($((budget - size)) bytes to spare)"
        if [ "$size" -gt $budget ]; then
            verdict="OVER 32 KiB by $((size - budget)) bytes"
            [ $build = win64 ] || status=1
        fi
        [ $build = win64 ] && verdict="$verdict (not shipped: no budget)"
        printf '%-8s %-22s %8d %8s %s\n' "$build" "$program" "$size" \
            "$(awk "BEGIN { printf \"%.1f\", $size / 1024 }")" "$verdict"
    done
done
[ -n "$check" ] || exit 0
[ $status -eq 0 ] && echo "size: the release programs are within the budget" || echo "size: FAIL: a release program is missing or over the budget"
exit $status
