#!/bin/sh
# Prints how long one run of UpgradePatchCmd.exe takes to patch a registration file of 5 KB, 1 MB
# and 5 MB (the median of RUNS runs, each on a fresh copy of the file), next to the time of a
# program that makes the same two profile writes directly on the same file, and the ratio of the
# two. In a Wine prefix of its own (build/bench-prefix), so that a test run beside it is left alone.
#   bench-write.sh [ARCH BUILD_DIR [RUNS]]   default: i686 build/win32 (the release), 7 runs
set -e
cd "$(dirname "$0")/.."
runs_default=7
. scripts/bench-preamble.sh

# The median time in milliseconds of RUNS runs of the command, each on a fresh copy of the file.
median_ms() {
    times=
    i=0
    while [ $i -lt "$runs" ]; do
        cp "$scratch/zbk.db" "$wine_registration"
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || { echo "bench: $* failed" >&2; exit 1; }
        end=$(date +%s%N)
        times="$times $(( (end - start) / 1000000 ))"
        i=$((i + 1))
    done
    echo $times | tr ' ' '\n' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

for size in 5120 1048576 5242880; do
    make_file $size "$scratch/zbk.db"
    patch=$(median_ms $wine_run "$build/UpgradePatchCmd.exe")
    direct=$(median_ms $wine_run "$build/PatchBench.exe" --profile-writes "$windows_registration" \
        1.8.5 'c:\program files\quellor\')
    printf '%-7s %s %8d-byte zbk.db: patch %5d ms, two direct profile writes %5d ms, ratio %s (median of %d runs)\n' \
        "$arch" "$build" "$(stat -c %s "$scratch/zbk.db")" "$patch" "$direct" \
        "$(awk "BEGIN { printf \"%.2f\", $patch / ($direct > 0 ? $direct : 1) }")" "$runs"
done
