#!/bin/sh
# Runs the real fleet playbook and its judging on localhost against twelve hosts (batches of 1, 5,
# 3 and 3), with stand-ins for the Windows modules (tests/fleet/standins) whose answers each host's
# inventory sets, and checks where the rollout stops:
#   a status 5 in the second batch: the later batches are never touched, and the copy is removed
#   from every server that was reached;
#   a status 1, an unchanged 0 and a program that could not start: only the last stops it;
#   every server that was reached has its registration file kept on the control node;
#   in check mode only a server that would be patched counts as changed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/../../docs/fleet-playbook.yml" "$here/../../docs/fleet-judging.yml" "$work/"
: > "$work/UpgradePatchCmd.exe"
export PATCH_ROLLOUT_DIR=$work ANSIBLE_COLLECTIONS_PATH=$here/standins ANSIBLE_LOCALHOST_WARNING=false
export ANSIBLE_NOCOLOR=1 ANSIBLE_PYTHON_INTERPRETER=auto_silent

# rollout NAME HOST:STATUS...   runs the playbook (with $options), hosts s01..s12 with status 0
#                               unless given
rollout() {
    name=$1
    shift
    export PATCH_ROLLOUT_LOG=$work/$name.log
    : > "$PATCH_ROLLOUT_LOG"
    {
        echo "[windows_servers]"
        for i in 01 02 03 04 05 06 07 08 09 10 11 12; do
            status=0
            for given in "$@"; do
                [ "${given%%:*}" = "s$i" ] && status=${given#*:}
            done
            echo "s$i ansible_connection=local patch_test_status=$status"
            echo "[zbk s$i]" > "$work/s$i.db"
        done
    } > "$work/inventory"
    rm -rf "$work/backup"
    ansible-playbook ${options:-} -i "$work/inventory" "$work/fleet-playbook.yml" > "$work/$name.out" 2>&1 || true
}

failed=0
check() {  # check WHAT CONDITION...
    what=$1
    shift
    "$@" || { echo "rollout: FAIL: $what"; failed=1; }
}
reached() { grep -c " win_copy$" "$PATCH_ROLLOUT_LOG"; }
removed_from_each() { [ "$(grep -c ' win_copy$' "$PATCH_ROLLOUT_LOG")" = "$(grep -c ' win_file$' "$PATCH_ROLLOUT_LOG")" ]; }
backed_up() { for h in $(sed -n 's/ win_copy$//p' "$PATCH_ROLLOUT_LOG"); do [ -f "$work/backup/$h/zbk.db" ] || return 1; done; }

rollout stops s04:5
check "a status 5 in the second batch stops the rollout after it (reached $(reached) servers)" [ "$(reached)" = 6 ]
check "the later batches are not touched" sh -c "! grep -q '^s0[7-9]\|^s1' '$PATCH_ROLLOUT_LOG'"
check "the copy is removed from every server reached" removed_from_each
check "the failure is shown with the program's text" grep -q "ended with status 5: " "$work/stops.out"
check "every server reached has a copy of its registration file" backed_up

rollout goes-on s03:1 s05:unchanged s12:nostart
check "a status 1 or an unchanged 0 does not stop the rollout (reached $(reached) servers)" [ "$(reached)" = 12 ]
check "the copy is removed from every server reached" removed_from_each
check "a program that did not start names the Windows error" grep -q "did not start (Windows error 2): Failed to run" "$work/goes-on.out"
check "the recap counts one failed server" [ "$(grep -c 'failed=1' "$work/goes-on.out")" = 1 ]

options=--check rollout check-mode s02:1 s03:unchanged
check "in check mode only the ten servers that would be patched are changed" \
    [ "$(grep -c 'changed=1 ' "$work/check-mode.out")" = 10 ]

[ $failed -eq 0 ] && echo "rollout: a failure stops the rollout after its batch; the copies are removed and the registration files kept"
exit $failed
