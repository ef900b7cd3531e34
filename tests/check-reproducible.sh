#!/bin/sh
# Builds the shipped programs from a copy of the sources in another directory, for both targets,
# and fails unless the executables are byte-identical to the ones built from the sources where
# they are, in build/win32 and build/win64. Where those are not built yet, it builds a first copy
# in their stead.
#   check-reproducible.sh SOURCE_DIR [GIT_REVISION]
# With a revision, the second copy is the sources of that revision instead: the programs must come
# out byte for byte as they did there (for a change meant to leave the shipped programs alone).
set -eu
src=$(cd "$1" && pwd)
revision=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
programs="UpgradePatch.exe UpgradePatchCmd.exe"

# The build trees of the sources themselves, when the programs are there, are the first build.
copies="first second-copy"
if [ -f "$src/build/win32/UpgradePatch.exe" ] && [ -f "$src/build/win32/UpgradePatchCmd.exe" ] &&
   [ -f "$src/build/win64/UpgradePatch.exe" ] && [ -f "$src/build/win64/UpgradePatchCmd.exe" ]; then
    copies=second-copy
fi
for copy in $copies; do
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
        [ -d "$work/first" ] || a=$src/build/$main/$exe
        b=$work/second-copy/build-$arch/$exe
        if cmp -s "$a" "$b"; then
            echo "same $arch $exe $(sha256sum < "$a" | cut -c1-64)"
        else
            echo "DIFFERENT $arch $exe between two builds in different directories${revision:+ (the second of $revision)}"; status=1
        fi
        if [ -d "$work/first" ] && [ -f "$src/build/$main/$exe" ] && ! cmp -s "$a" "$src/build/$main/$exe"; then
            echo "DIFFERENT $arch $exe from build/$main/$exe"; status=1
        fi
    done
done
exit $status
