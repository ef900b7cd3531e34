#!/bin/sh
# Prints the size of each built program against the 32 KiB budget of the release.
cd "$(dirname "$0")/.."
budget=32768
printf '%-8s %-22s %8s %8s %s\n' build program bytes KiB budget
for build in win32 win64; do
    for exe in build/$build/UpgradePatch*.exe; do
        [ -f "$exe" ] || continue
        size=$(stat -c %s "$exe")
        verdict="within 32 KiB ($((budget - size)) bytes to spare)"
        [ "$size" -le $budget ] || verdict="OVER 32 KiB by $((size - budget)) bytes"
        printf '%-8s %-22s %8d %8s %s\n' "$build" "$(basename "$exe")" "$size" \
            "$(awk "BEGIN { printf \"%.1f\", $size / 1024 }")" "$verdict"
    done
done
