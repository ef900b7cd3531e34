#!/bin/sh
# Builds the shipped programs twice, from two copies of the sources in different directories,
# for both targets, and fails unless the executables are byte-identical to each other and to the
# ones in build/win32 and build/win64.
#   check-reproducible.sh SOURCE_DIR [GIT_REVISION]
# With a revision, the second copy is the sources of that revision instead: the programs must come
# out byte for byte as they did there (for a change meant to leave the shipped programs alone).
set -eu
src=$(cd "$1" && pwd)
revision=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
programs="UpgradePatch.exe UpgradePatchCmd.exe"

for copy in first second-copy; do
    mkdir -p "$work/$copy/src"
    if [ "$copy" = second-copy ] && [ -n "$revision" ]; then
        git -C "$src" archive "$revision" | (cd "$work/$copy/src" && tar -xf -)
    else
        (cd "$src" && tar --exclude=./build --exclude=./dist --exclude=./.git -cf - .) \
            | (cd "$work/$copy/src" && tar -xf -)
    fi
    for arch in i686 x86_64; do
        cmake -S "$work/$copy/src" -B "$work/$copy/build-$arch" -G Ninja \
              -DCMAKE_TOOLCHAIN_FILE="$work/$copy/src/cmake/mingw-$arch.cmake" \
              -DCMAKE_BUILD_TYPE=Release -DPATCH_BUILD_TESTS=OFF >/dev/null
        cmake --build "$work/$copy/build-$arch" --target $(echo $programs | sed "s/\.exe//g") >/dev/null
    done
done

status=0
for arch in i686 x86_64; do
    case $arch in i686) main=win32 ;; x86_64) main=win64 ;; esac
    for exe in $programs; do
        a=$work/first/build-$arch/$exe
        b=$work/second-copy/build-$arch/$exe
        if cmp -s "$a" "$b"; then
            echo "same $arch $exe $(sha256sum < "$a" | cut -c1-64)"
        else
            echo "DIFFERENT $arch $exe between two clean builds${revision:+ (the second of $revision)}"; status=1
        fi
        if [ -f "$src/build/$main/$exe" ] && ! cmp -s "$a" "$src/build/$main/$exe"; then
            echo "DIFFERENT $arch $exe from build/$main/$exe"; status=1
        fi
    done
done
exit $status
