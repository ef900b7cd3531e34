# The preamble of the shell checks and benchmarks that run a program of one architecture under
# Wine. Sourced, not run, with arch (x86_64 or i686) and build (the build tree of that
# architecture) set. An i686 check where 32-bit programs cannot run ends here as skipped (status
# 77), with the reason; set wine_check_unavailable to another status first to end otherwise.
# Sets:
#   wine_run            tests/wine-run.sh, with --i686 for i686
#   wine_registration   zbk.db as the programs of that architecture see it (syswow64 for i686),
#                       as a Unix path under WINEPREFIX (set it before sourcing for that)
# and, for the installation, the one staging that the tests and the demo use (PatchDemo.exe stage,
# in the build tree: the service zbk, the sample install directory, a registration file):
#   stage_installation  stages it
#   stage_cleanup       removes the service, the install directory and zbk.db with its side files
case ${arch:-} in
i686|x86_64) ;;
*) echo "wine-check.sh: arch must be i686 or x86_64, not '${arch:-}'"; exit 2 ;;
esac
# The scripts that source it are in tests/, or run from the top of the tree.
if [ -f "$(dirname "$0")/wine-run.sh" ]; then
    wine_run="sh $(cd "$(dirname "$0")" && pwd)/wine-run.sh"
else
    wine_run="sh $(pwd)/tests/wine-run.sh"
fi
wine_registration=${WINEPREFIX:-}/drive_c/windows/system32/zbk.db
if [ "$arch" = i686 ]; then
    if ! wine_reason=$($wine_run --check-i686); then
        echo "skipped: the i686 half is not run here: $wine_reason"
        exit ${wine_check_unavailable:-77}
    fi
    wine_run="$wine_run --i686"
    wine_registration=${WINEPREFIX:-}/drive_c/windows/syswow64/zbk.db
fi

stage_installation() {
    stage_cleanup
    $wine_run "$build/PatchDemo.exe" stage >/dev/null
}

stage_cleanup() {
    $wine_run sc delete zbk >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX/drive_c/Program Files/Quellor"
    rm -f "$wine_registration" "$wine_registration".upgradepatch-*
}
