#!/bin/sh
# Prints how long UpgradePatch.exe takes from its start until its main dialog shows, for the
# i686 release (in WoW64) and the x86_64 build, in a 64-bit Wine prefix of its own
# (build/bench-prefix), so that a test run beside it is left alone.
#   bench-startup.sh [RUNS]     (default 20 runs of each)
set -e
cd "$(dirname "$0")/.."
runs=${1:-20}
for preset in win32 win64; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset --target UpgradePatch PatchBench >/dev/null
done
export WINEPREFIX=$(pwd)/build/bench-prefix
sh tests/wine-prefix.sh init "$WINEPREFIX"
trap 'sh tests/wine-prefix.sh stop "$WINEPREFIX"' EXIT
printf 'x86_64 build:   '
sh tests/wine-run.sh build/win64/PatchBench.exe "$runs"
printf 'i686 release:   '
if reason=$(sh tests/wine-run.sh --check-i686); then
    sh tests/wine-run.sh --i686 build/win32/PatchBench.exe "$runs"
else
    echo "not measured: $reason"
fi
