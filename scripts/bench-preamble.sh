# The preamble of the write benchmarks (bench-write.sh, bench-race.sh). Sourced, not run, from the
# top of the tree, with runs_default set: takes [ARCH BUILD_DIR [RUNS]] (default: i686 build/win32,
# the release), stages the sample installation in a Wine prefix of the benchmarks' own
# (build/bench-prefix, so that a test run beside them is left alone), and sets arch, build, runs,
# scratch (a directory removed at the end), wine_run, wine_registration and windows_registration
# (the same file as Windows names it), and make_file SIZE FILE.
arch=${1:-i686}
build=${2:-build/win32}
runs=${3:-$runs_default}
for program in UpgradePatchCmd.exe PatchBench.exe PatchDemo.exe; do
    [ -f "$build/$program" ] || { echo "no $build/$program: build it first" >&2; exit 2; }
done
export WINEPREFIX=$(pwd)/build/bench-prefix
wine_check_unavailable=0  # not measured: the preamble says why
. tests/wine-check.sh
sh tests/wine-prefix.sh init "$WINEPREFIX"
scratch=$(mktemp -d)
trap 'stage_cleanup; rm -rf "$scratch"; sh tests/wine-prefix.sh stop "$WINEPREFIX"' EXIT
stage_installation
windows_registration=$(echo "$wine_registration" | sed "s|^$WINEPREFIX/drive_c|C:|; s|/|\\\\|g")

# A file of about SIZE bytes: sections of one key each, [zbk] at the end.
make_file() {
    awk -v size="$1" 'BEGIN { n = 0; for (i = 0; n < size; i++) { line = sprintf("[s%d]\r\nkey=%040d\r\n", i, i); printf "%s", line; n += length(line) } printf "[zbk]\r\nserial=Q-1\r\n" }' > "$2"
}
