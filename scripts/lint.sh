#!/bin/sh
# Checks of the sources themselves, run by the test command:
#   1. formatting: product and test code as clang-format lays it out (.clang-format)
#   2. static analysis: clang-tidy on platform/, core/ and app/ (.clang-tidy), with the compile
#      commands of the x86_64 build
#   3. the fleet playbooks (docs/fleet-*.yml) and the judging's test: ansible-playbook
#      --syntax-check and ansible-lint, offline (the judging's test itself is the CTest entry
#      fleet_judging)
# Installs what it needs like the rest of the set-up. Exits non-zero when any check fails.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
status=0

sources=$(find platform core app resources tests \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) | sort)
command -v clang-format >/dev/null || { echo "lint: clang-format is not installed"; exit 1; }
unformatted=
for f in $sources; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted="$unformatted $f"
done
if [ -n "$unformatted" ]; then
    echo "lint: not formatted (clang-format -i FILE):$unformatted"
    status=1
else
    echo "lint: formatting: $(echo $sources | wc -w) files as clang-format lays them out"
fi

# The compile commands, and the texts header that app/ includes, come from the x86_64 build.
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target patchtexts >/dev/null
product=$(find platform core app -name '*.cpp' | sort)
report=$(mktemp)
# Each file on its own, so that every one reports; a clang-tidy that cannot run (no compile
# commands, a broken .clang-tidy, a crash) exits non-zero and fails the check like a finding.
tidy_status=0
if [ ! -f build/win64/compile_commands.json ]; then
    echo "lint: clang-tidy: no build/win64/compile_commands.json" >"$report"
    tidy_status=1
else
    echo $product | tr ' ' '\n' | xargs -P2 -n1 clang-tidy -p build/win64 --quiet >"$report" 2>&1 || tidy_status=$?
fi
if [ $tidy_status -ne 0 ] || grep -q -E 'warning:|error:' "$report"; then
    grep -E -A3 'warning:|error:|Error' "$report" || tail -20 "$report"
    echo "lint: clang-tidy failed (status $tidy_status) or found the above"
    status=1
else
    echo "lint: clang-tidy: $(echo $product | wc -w) files of platform/, core/ and app/ clean"
fi
rm -f "$report"

inventory=$(mktemp)
printf '[windows_servers]\nserver.example\n' >"$inventory"
playbooks="docs/fleet-playbook.yml docs/fleet-judging.yml docs/fleet-undo.yml tests/fleet/judging-test.yml"
if ANSIBLE_LOCALHOST_WARNING=false ansible-playbook --syntax-check -i "$inventory" docs/fleet-playbook.yml >/dev/null &&
   ANSIBLE_LOCALHOST_WARNING=false ansible-playbook --syntax-check -i "$inventory" docs/fleet-undo.yml >/dev/null &&
   NO_COLOR=1 ansible-lint --offline -q $playbooks; then
    echo "lint: the fleet playbooks pass ansible-playbook --syntax-check and ansible-lint"
else
    echo "lint: the fleet playbooks fail ansible-playbook --syntax-check or ansible-lint (above)"
    status=1
fi
rm -f "$inventory"
exit $status
