#!/bin/sh
# Runs the real fleet playbooks and their judging on localhost against twelve servers (batches of
# 1, 5, 3 and 3), with stand-ins for the Windows modules (tests/fleet/standins) that check their
# arguments and keep a real registration file per server, and checks, server by server, where a
# rollout stops, what it kept, what it ran and what it left, and ansible-playbook's exit status.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ANSIBLE_COLLECTIONS_PATH=$here/standins ANSIBLE_LOCALHOST_WARNING=false ANSIBLE_NOCOLOR=1
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_RETRY_FILES_ENABLED=false
hosts="s01 s02 s03 s04 s05 s06 s07 s08 s09 s10 s11 s12"

# fleet NAME HOST:VAR=VALUE...   a fresh rollout directory: the playbooks, the program, twelve
#                                servers with their registration files, and the inventory
fleet() {
    export PATCH_ROLLOUT_DIR=$work/$1
    shift
    mkdir -p "$PATCH_ROLLOUT_DIR"
    cp "$here/../../docs/"fleet-*.yml "$PATCH_ROLLOUT_DIR/"
    echo program > "$PATCH_ROLLOUT_DIR/UpgradePatchCmd.exe"
    echo "[windows_servers]" > "$PATCH_ROLLOUT_DIR/inventory"
    for h in $hosts; do
        mkdir -p "$PATCH_ROLLOUT_DIR/servers/$h/temp"
        printf '[zbk %s]\r\nid=1\r\n' $h > "$PATCH_ROLLOUT_DIR/servers/$h/zbk.db"
        cp "$PATCH_ROLLOUT_DIR/servers/$h/zbk.db" "$PATCH_ROLLOUT_DIR/servers/$h/original"
        line="$h ansible_connection=local"
        for given in "$@"; do
            [ "${given%%:*}" = $h ] && line="$line ${given#*:}"
        done
        echo "$line" >> "$PATCH_ROLLOUT_DIR/inventory"
    done
}
# play NAME PLAYBOOK ARGS...   runs it; $NAME.out has its output, $NAME.log what the stand-ins did
play() {
    name=$1 playbook=$2
    shift 2
    export PATCH_ROLLOUT_LOG=$PATCH_ROLLOUT_DIR/$name.log
    : > "$PATCH_ROLLOUT_LOG"
    status=0
    ansible-playbook -i "$PATCH_ROLLOUT_DIR/inventory" "$PATCH_ROLLOUT_DIR/$playbook" "$@" \
        > "$PATCH_ROLLOUT_DIR/$name.out" 2>&1 || status=$?
}

failed=0
check() {  # check WHAT CONDITION...
    what=$1
    shift
    "$@" || { echo "rollout: FAIL: $what"; failed=1; }
}
did() { grep -q "^$1 $2" "$PATCH_ROLLOUT_LOG"; }  # did HOST ACTION: the stand-in was asked
ran() { did $1 win_command; }
each() {  # each HOSTS TEST [ARG]: "TEST [ARG] HOST" holds for every host
    hosts_=$1 test_=$2
    shift 2
    for h in $hosts_; do "$test_" "$@" $h || return 1; done
}
untouched() { ! grep -q "^$1 " "$PATCH_ROLLOUT_LOG"; }
not_given() { ! did $1 win_copy && ! did $1 win_command; }
clean() { [ -z "$(ls "$PATCH_ROLLOUT_DIR/servers/$1/temp")" ]; }
original() { cmp -s "$PATCH_ROLLOUT_DIR/servers/$1/zbk.db" "$PATCH_ROLLOUT_DIR/servers/$1/original"; }
patched() { grep -q "^version=1.8.5" "$PATCH_ROLLOUT_DIR/servers/$1/zbk.db"; }
run_id() { sed -n 's/.*"rollout \([0-9-]*\): backups in .*/\1/p' "$PATCH_ROLLOUT_DIR/$1.out" | head -1; }
kept() {  # kept RUN HOST: the backup holds the original, and zbk.db.patched what was written
    b=$PATCH_ROLLOUT_DIR/backup/$1/$2
    cmp -s "$b/zbk.db" "$PATCH_ROLLOUT_DIR/servers/$2/original" &&
        { ! patched $2 || cmp -s "$b/zbk.db.patched" "$PATCH_ROLLOUT_DIR/servers/$2/zbk.db"; }
}
recap() { grep -q "^$1 *: .*$2" "$PATCH_ROLLOUT_DIR/$3.out"; }  # recap HOST TEXT RUN
stopped() { [ $status -ne 0 ]; }
recap_names() { grep -q "^ *\"$1: $2" "$PATCH_ROLLOUT_DIR/$3.out"; }  # recap_names HOST TEXT RUN
no_stand_in_complaint() { ! grep -q "stand-in:" "$PATCH_ROLLOUT_DIR/$1.out"; }

# A failed backup, a status 5 and a server lost during its run, all in the second batch: no
# program where nothing was kept, the lost server named, and the rollout stops after the batch.
fleet stops s02:patch_test_fault=find s03:patch_test_fault=fetch s04:patch_test_status=5 \
    s05:patch_test_fault=run
play stops fleet-playbook.yml
run=$(run_id stops)
check "the rollout is stopped with a failing exit status" stopped
check "no program where the backup failed" each "s02 s03" not_given
check "the later batches are never touched" each "s07 s08 s09 s10 s11 s12" untouched
check "the others of the batches are patched" each "s01 s06" patched
check "their files and what was written are kept" each "s01 s06" kept "$run"
check "status 5 leaves its file" each "s04" original
check "nothing copied stays where the rollout kept its connection" each "s01 s02 s03 s04 s06" clean
check "the server lost during its run is named, with what to check" recap_names s05 "the server could not be reached during the run.*What to check" stops
for h in s02 s03 s04 s05; do check "$h failed in the recap" recap $h "failed=1" stops; done
check "every stand-in got the arguments it needs" no_stand_in_complaint stops

# Statuses that need nobody do not stop it; a program that did not start stops it. Then a rerun
# over the patched servers: nothing changed, and the first rollout's backups stay.
fleet rerun s03:patch_test_status=1 s05:patch_test_status=unchanged s12:patch_test_status=nostart
play first fleet-playbook.yml
first=$(run_id first)
check "a program that did not start fails the rollout" stopped
check "status 1 and an unchanged 0 go on" each "$hosts" ran
check "changed only where the file changed" recap s05 "changed=0" first
sleep 1
play rerun fleet-playbook.yml
check "a rerun reports changed=0 everywhere" [ "$(grep -c 'changed=0 ' "$PATCH_ROLLOUT_DIR/rerun.out")" = 12 ]
check "the first rollout's backups are the originals still" each "s01 s02 s04 s06 s11" kept "$first"
check "the rerun has backups of its own" [ "$(run_id rerun)" != "$first" ]

# The undo of the first rollout, after the installer wrote one server's file: that server is
# refused, named, and its file stands; every other server gets its original back.
printf 'release=2.0\r\n' >> "$PATCH_ROLLOUT_DIR/servers/s02/zbk.db"
cp "$PATCH_ROLLOUT_DIR/servers/s02/zbk.db" "$work/installed"
play undo fleet-undo.yml -e patch_run_id="$first"
check "a refused undo stops" stopped
check "the undo restores where the file holds what the patch wrote" each "s01 s04 s06 s07 s11" original
check "the undo leaves alone what the rollout did not patch" each "s03 s05" original
check "the undo leaves a file that was written since" cmp -s "$PATCH_ROLLOUT_DIR/servers/s02/zbk.db" "$work/installed"
check "the refusal is named" recap_names s02 "UpgradePatchCmd.exe ended with status 6 (refused)" undo

# A server lost at the copy, alone in the first batch: the rollout stops after it, and names it.
fleet lost s01:patch_test_fault=copy
play lost fleet-playbook.yml
check "a server lost at the copy stops the rollout" stopped
check "the batch after it is never touched" untouched s02
check "the lost server is named" recap_names s01 "the server could not be reached before UpgradePatchCmd.exe could run" lost

# Check mode, with a server that would fail in the first batch: every server is surveyed, nothing
# changes, changed only where the file would be patched, and the end lists the one that would fail.
fleet survey s01:patch_test_status=5 s04:patch_test_status=unchanged
play survey fleet-playbook.yml --check
check "the survey reaches every server" each "$hosts" ran
check "the survey changes nothing" each "$hosts" original
check "the survey leaves nothing copied" each "$hosts" clean
check "the survey says that one would fail" stopped
check "the survey lists it" grep -q "the patch would fail on s01" "$PATCH_ROLLOUT_DIR/survey.out"
check "changed only where the file would be patched" [ "$(grep -c 'changed=1 ' "$PATCH_ROLLOUT_DIR/survey.out")" = 10 ]
check "no backups in a survey" [ ! -d "$PATCH_ROLLOUT_DIR/backup" ]

# The service writes s01's file just before the write step, s03's just after it; s07's record is
# cut to nothing. The undo: s01 back to the service's bytes, s03 refused, s07 not whole, both left.
fleet service s01:patch_test_service=before s03:patch_test_service=after
play service fleet-playbook.yml
run=$(run_id service) && : > "$PATCH_ROLLOUT_DIR/backup/$run/s07/zbk.db.patched"
play preview fleet-undo.yml --check -e patch_run_id="$run"
check "the undo's preview changes nothing" each "$hosts" patched
play undo fleet-undo.yml -e patch_run_id="$run"
printf 'service=wrote\r\n' >> "$PATCH_ROLLOUT_DIR/servers/s01/original"
check "the undo keeps the service's writes, and goes on" each "s01 s02 s04 s05 s06 s08 s12" original
for h in s03 s07; do check "$h is left, and named" patched $h; done
check "s03 is refused" recap_names s03 "UpgradePatchCmd.exe ended with status 6 (refused)" undo
check "s07's record is named as not whole" recap_names s07 "the record of what rollout $run wrote here is not whole" undo

# A rollout ended by SIGTERM as s06's program ends (batch 2), then its undo: s01 is put back, and
# each server of batch 2 is named as having no record, with its backup; the later ones left alone.
fleet cut s06:patch_test_fault=interrupt
play cut fleet-playbook.yml
play undo fleet-undo.yml -e patch_run_id="$(run_id cut)"
check "the undo of a cut rollout fails" stopped && check "and puts back what has a record" original s01
for h in s02 s03 s04 s05 s06; do check "$h named" recap_names $h "the record .* is missing .*backup/.*/$h/zbk.db" undo; done
check "the servers it never reached are left alone" recap s12 "ok=.*failed=0" undo

# Two rollouts under one run id, a survey and a rollout of its own at once (s01 slow, so that they
# overlap): the second is refused with its cause, the others go on, no record is lost.
fleet twice s01:patch_test_slow=3
(play twice fleet-playbook.yml -e patch_run_id=twice; exit $status) & a=$! && sleep 1
(play again fleet-playbook.yml -e patch_run_id=twice; exit $status) & b=$!
(play own fleet-playbook.yml; exit $status) & c=$!
(play survey fleet-playbook.yml --check; exit $status) & d=$!
for p in $a $c $d; do check "two runs at once go on" wait $p; done
check "the same run id twice is refused" recap_names s01 "UpgradePatchCmd.exe did not run: a backup of rollout twice" again
play undo fleet-undo.yml -e patch_run_id=twice && play undo-own fleet-undo.yml -e patch_run_id="$(run_id own)"
check "every record was kept: the undos put every server back" each "$hosts" original

# --limit: its survey, the rollout, the rerun from the retry file; run ids not data or not kept.
fleet limit s04:patch_test_status=5
export ANSIBLE_RETRY_FILES_ENABLED=true ANSIBLE_RETRY_FILES_SAVE_PATH="$PATCH_ROLLOUT_DIR"
play limit-survey fleet-playbook.yml --check --limit s03,s04
check "the survey under --limit lists what would fail" grep -q "the patch would fail on s04 " "$PATCH_ROLLOUT_DIR/limit-survey.out"
play limit fleet-playbook.yml --limit s03,s04
check "--limit patches what it names, and names what fails" recap_names s04 "UpgradePatchCmd.exe ended with status 5" limit
check "--limit patches only what it names" each "s03" patched && check "and nothing else" each "s01 s02 s05 s12" untouched
sed -i 's/patch_test_status=5//' "$PATCH_ROLLOUT_DIR/inventory" && play retry fleet-playbook.yml --limit @"$PATCH_ROLLOUT_DIR/fleet-playbook.retry"
check "the rerun from the retry file patches the failed server" patched s04
for id in ../../x nosuchrun; do play bad fleet-undo.yml -e patch_run_id=$id; check "no undo of $id" stopped; done
play badid fleet-playbook.yml -e patch_run_id=../../x
check "a run id of other characters is refused" each "$hosts" untouched

# An operator's free strategy, any_errors_fatal and one fork: a status 5 in batch 2 stops it there.
fleet free s04:patch_test_status=5
export ANSIBLE_STRATEGY=free ANSIBLE_ANY_ERRORS_FATAL=true ANSIBLE_FORKS=1
play free fleet-playbook.yml
check "the free strategy stops after the batch" each "s07 s08 s12" untouched
for h in s01 s02 s03 s05 s06; do check "$h keeps its record" [ -s "$PATCH_ROLLOUT_DIR/backup/$(run_id free)/$h/zbk.db.record.sha1" ]; done

# A program that outlasts the task timeout in the first batch is called timed out, and stops it.
fleet slow s01:patch_test_status=hang
play slow fleet-playbook.yml -e patch_task_timeout=3
check "a program that outlasts the timeout is called timed out" recap_names s01 "UpgradePatchCmd.exe timed out" slow && check "it stops" untouched s02

[ $failed -eq 0 ] && echo "rollout: every road stops the rollout, backups are kept and never overwritten, only this run's copy runs, the survey and the undo change only what they should"
exit $failed
