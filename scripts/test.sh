#!/bin/sh
# Builds both Windows targets, checks the sources (scripts/lint.sh: formatting, static analysis,
# the fleet playbook), and runs every test under Wine, in one 64-bit prefix: the x86_64 test
# programs, and the i686 test programs against the i686 release (in WoW64).
# After it, build/win32/ holds the release and its test programs, build/win64/ the x86_64 build.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
sh scripts/lint.sh
i686_reason=
if ! i686_reason=$(sh tests/wine-run.sh --check-i686); then
    echo "test: the 32-bit (i686) half is not run and is reported as skipped: $i686_reason"
fi
status=0
ctest --preset win64 || status=$?
# The last word, after CTest's summary: which builds were tested. CTest counts a skipped entry as
# no failure; a release that never ran is not called tested.
entries() { ctest --preset win64 -N -L "$1" | sed -n 's/^Total Tests: //p'; }
echo "test: the x86_64 build: $(entries x86_64) entries run"
if [ -n "$i686_reason" ]; then
    echo "test: the i686 release was NOT tested: its $(entries i686) entries were skipped, because $i686_reason"
else
    echo "test: the i686 release (what administrators get): $(entries i686) entries run"
fi
exit $status
