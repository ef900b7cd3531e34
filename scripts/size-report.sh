#!/bin/sh
# Prints the size of each built program against the 48 KiB cap of the release, with the size of
# each of its sections.
#   size-report.sh           print only
#   size-report.sh --check   also fail when a release program (build/win32) is missing or over
#                            the cap; the x86_64 build, which is not shipped, is only printed
cd "$(dirname "$0")/.."
cap=49152
check=
[ "${1:-}" = "--check" ] && check=1
status=0
printf '%-8s %-22s %8s %8s %s\n' build program bytes KiB cap
for build in win32 win64; do
    objdump=i686-w64-mingw32-objdump
    [ $build = win64 ] && objdump=x86_64-w64-mingw32-objdump
    for program in UpgradePatch.exe UpgradePatchCmd.exe; do
        exe=build/$build/$program
        if [ ! -f "$exe" ]; then
            printf '%-8s %-22s %8s\n' "$build" "$program" "not built"
            [ $build = win64 ] || status=1
            continue
        fi
        size=$(stat -c %s "$exe")
        verdict="within 48 KiB ($((cap - size)) bytes to spare)"
        if [ "$size" -gt $cap ]; then
            verdict="OVER 48 KiB by $((size - cap)) bytes"
            [ $build = win64 ] || status=1
        fi
        [ $build = win64 ] && verdict="$verdict (not shipped: no cap)"
        printf '%-8s %-22s %8d %8s %s\n' "$build" "$program" "$size" \
            "$(awk "BEGIN { printf \"%.1f\", $size / 1024 }")" "$verdict"
        # Sections: name, bytes of content (virtual size), as objdump lists them.
        $objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ { printf "%s %d  ", $2, ("0x" $3) + 0 }' 2>/dev/null |
            sed 's/^/           sections: /; s/  $//'
        echo
    done
done
[ -n "$check" ] || exit 0
[ $status -eq 0 ] && echo "size: the release programs are within the cap" || echo "size: FAIL: a release program is missing or over the cap"
exit $status
