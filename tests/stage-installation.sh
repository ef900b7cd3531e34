# Shell staging of a product installation in a Wine prefix, for the tests and benchmarks that run
# UpgradePatchCmd.exe from the shell. Sourced, not run. Before sourcing: WINEPREFIX, and
# stage_arch (x86_64 or i686).
#   stage_installation DIR VERSION   the service zbk pointing into DIR (under drive_c), with
#                                    iis\config.ini holding VERSION
#   stage_cleanup                    removes the service, DIR, and zbk.db with what lies beside it
# Sets stage_run (wine-run.sh with the architecture's options) and stage_registration (zbk.db
# as the program of that architecture sees it, as a Unix path).
stage_run="sh $(dirname "$0")/../tests/wine-run.sh"
stage_registration=$WINEPREFIX/drive_c/windows/system32/zbk.db
if [ "$stage_arch" = i686 ]; then
    stage_run="$stage_run --i686"
    stage_registration=$WINEPREFIX/drive_c/windows/syswow64/zbk.db
fi
stage_dir=

stage_installation() {
    stage_dir=$WINEPREFIX/drive_c/$1
    mkdir -p "$stage_dir/iis"
    printf '[System]\r\nWord1=V %s\r\n' "$2" > "$stage_dir/iis/config.ini"
    : > "$stage_dir/QServer.exe"
    $stage_run sc create zbk binPath= "C:\\$1\\QServer.exe" >/dev/null
}

stage_cleanup() {
    $stage_run sc delete zbk >/dev/null 2>&1 || true
    [ -z "$stage_dir" ] || rm -rf "$stage_dir"
    rm -f "$stage_registration" "$stage_registration.upgradepatch-journal" "$stage_registration.upgradepatch-scratch"
}
