#!/bin/sh
# Builds both Windows targets and runs every test (the x86_64 programs under Wine).
# After it, build/win64/ and build/win32/ hold the builds.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64
