#!/bin/sh
# Prints how long one run of UpgradePatchCmd.exe takes to patch a registration file of 5 KB and
# of 1 MB (the median of RUNS runs, each on a fresh copy of the file), in a Wine prefix of its own
# (build/bench-prefix), so that a test run beside it is left alone.
#   bench-write.sh [ARCH BUILD_DIR [RUNS]]   default: i686 build/win32 (the release), 7 runs
set -e
cd "$(dirname "$0")/.."
stage_arch=${1:-i686}
build=${2:-build/win32}
runs=${3:-7}
[ -f "$build/UpgradePatchCmd.exe" ] || { echo "no $build/UpgradePatchCmd.exe: build it first" >&2; exit 2; }
if [ "$stage_arch" = i686 ] && ! reason=$(sh tests/wine-run.sh --check-i686); then
    echo "not measured: $reason"
    exit 0
fi
export WINEPREFIX=$(pwd)/build/bench-prefix
sh tests/wine-prefix.sh init "$WINEPREFIX"
. tests/stage-installation.sh
scratch=$(mktemp -d)
trap 'stage_cleanup; rm -rf "$scratch"; sh tests/wine-prefix.sh stop "$WINEPREFIX"' EXIT
stage_installation bench-install 1.9.0

# A file of about SIZE bytes: sections of one key each, [zbk] at the end.
make_file() {
    awk -v size="$1" 'BEGIN { n = 0; for (i = 0; n < size; i++) { line = sprintf("[s%d]\r\nkey=%040d\r\n", i, i); printf "%s", line; n += length(line) } printf "[zbk]\r\nserial=Q-1\r\n" }' > "$2"
}

for size in 5120 1048576; do
    make_file $size "$scratch/zbk.db"
    times=
    i=0
    while [ $i -lt "$runs" ]; do
        cp "$scratch/zbk.db" "$stage_registration"
        start=$(date +%s%N)
        $stage_run "$build/UpgradePatchCmd.exe" >/dev/null 2>&1 || { echo "the patch failed" >&2; exit 1; }
        end=$(date +%s%N)
        times="$times $(( (end - start) / 1000000 ))"
        i=$((i + 1))
    done
    median=$(echo $times | tr ' ' '\n' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    printf '%-7s %s  %8d-byte zbk.db: median %5d ms over %d runs (%s ms)\n' "$stage_arch" "$build" \
        "$(stat -c %s "$scratch/zbk.db")" "$median" "$runs" "$(echo $times | tr ' ' ',')"
done
