#!/bin/sh
# Prints how often a write by another program is lost when it lands during a patch: in each of RUNS
# runs on a 1 MB registration file, another process makes one profile write ([service] state) at a
# random moment of the run. The same for the two direct profile writes racing the same writer, the
# floor that the patch must not fall below. A patch that loses the write and still exits 0 is
# counted on its own. In a Wine prefix of its own (build/bench-prefix).
#   bench-race.sh [ARCH BUILD_DIR [RUNS]]   default: i686 build/win32 (the release), 40 runs
set -e
cd "$(dirname "$0")/.."
runs_default=40
. scripts/bench-preamble.sh
make_file 1048576 "$scratch/zbk.db"

# race NAME COMMAND...: RUNS runs of the command, each with the writer started after a random
# delay within the command's own time (measured once first).
race() {
    name=$1
    shift
    cp "$scratch/zbk.db" "$wine_registration"
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    span=$(( ($(date +%s%N) - start) / 1000000 ))
    lost=0 lostOk=0 i=0
    while [ $i -lt "$runs" ]; do
        cp "$scratch/zbk.db" "$wine_registration"
        delay=$(( $(od -An -N2 -tu2 /dev/urandom) % (span + 1) ))
        "$@" >/dev/null 2>&1 &
        program=$!
        sleep "$(awk "BEGIN { print $delay / 1000 }")"
        $wine_run "$build/PatchBench.exe" --service-write "$windows_registration" "w$i" >/dev/null 2>&1 || true
        status=0
        wait $program || status=$?
        if ! grep -q "^state=w$i" "$wine_registration"; then
            lost=$((lost + 1))
            [ $status -ne 0 ] || lostOk=$((lostOk + 1))
        fi
        i=$((i + 1))
    done
    printf '%-7s %-28s lost the other write in %2d of %d runs (%3d %%), %2d of them with exit status 0 (run %d ms)\n' \
        "$arch" "$name" $lost "$runs" $((lost * 100 / runs)) $lostOk "$span"
}

race "patch" $wine_run "$build/UpgradePatchCmd.exe"
race "two direct profile writes" $wine_run "$build/PatchBench.exe" --profile-writes \
    "$windows_registration" 1.8.5 'c:\program files\quellor\'

# A service that rewrites the file every few milliseconds for the whole run: how each of RUNS / 2
# patches ends. A read that meets the file shortened mid-rewrite must start the attempt again, so
# a patch ends patched, or "kept changing" after its attempts, never with another cause.
patched=0 changing=0 other=0 i=0
while [ $i -lt $((runs / 2)) ]; do
    cp "$scratch/zbk.db" "$wine_registration"
    $wine_run "$build/PatchBench.exe" --service-writes "$windows_registration" 400 >/dev/null 2>&1 &
    writer=$!
    sleep 0.3
    status=0
    $wine_run "$build/UpgradePatchCmd.exe" >/dev/null 2>"$scratch/err" || status=$?
    wait $writer || true
    if [ $status -eq 0 ]; then
        patched=$((patched + 1))
    elif iconv -f gbk -t utf-8 "$scratch/err" | grep -q "一再被其他程序"; then
        changing=$((changing + 1))
    else
        other=$((other + 1))
    fi
    i=$((i + 1))
done
printf '%-7s %-28s %2d patched, %2d "kept changing", %2d another cause, of %d runs\n' \
    "$arch" "patch beside constant writes" $patched $changing $other $((runs / 2))
