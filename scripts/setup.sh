#!/bin/sh
# Installs what building and testing need on Debian 12, and only what is missing:
# the MinGW-w64 cross compilers, CMake and Ninja, Wine (64-bit, and 32-bit beside it so that the
# i686 release runs in WoW64), the zh_CN.UTF-8 locale (ANSI code page 936 under Wine), and for
# screenshots and real input Xvfb, xdotool, ImageMagick, a CJK font and Wine's own fonts, and for
# the checks of the sources clang-format, clang-tidy and Ansible with ansible-lint.
set -e

SUDO=
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
fi

packages="g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
cmake ninja-build googletest wine64 fonts-wine locales xvfb x11-apps xdotool imagemagick fonts-wqy-microhei
zip unzip osslsigncode openssl python3 clang-format clang-tidy ansible ansible-lint"

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=
for p in $packages; do
    installed "$p" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# 32-bit Wine: the release is an i686 program. Where it cannot be had, the tests still run the
# x86_64 half and report the i686 half as skipped (tests/wine-run.sh --check-i686 says why).
# Both halves of Wine go in in one call, so that apt keeps each shared library of the two
# architectures at one version. Where the registry offers a library for the two at different
# versions (an index that failed to download, a security update built for one architecture
# first), apt is pinned, for this call only, to a version that both have: the installed one where
# it can, else the highest both offer. Nothing is removed; every version changed is named.
wine32_pin() {  # PACKAGE VERSION: this call's apt prefers that version of both halves
    printf 'Package: %s\nPin: version %s\nPin-Priority: 1001\n\n' "$1" "$2" >> "$wine32_prefs"
}
install_wine32() {
    wine32_prefs=$(mktemp)
    request="wine64 libwine wine32:i386"
    packages=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
                   --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null |
               sed -n 's/^\([^ ]*\):i386$/\1/p' | sort -u)
    halves=$(for p in $packages; do printf '%s:amd64 %s:i386 ' "$p" "$p"; done)
    # shellcheck disable=SC2086
    apt-cache policy $halves 2>/dev/null | awk -f "$(dirname "$0")/wine32-versions.awk" |
        while read -r package version; do
            [ -n "$version" ] || continue
            [ "$(dpkg-query -W -f='${Multi-Arch}' "$package:amd64" 2>/dev/null)" = same ] || continue
            wine32_pin "$package" "$version"
        done
    apt_options="-o Dir::Etc::Preferences=$wine32_prefs --no-install-recommends"
    for round in 1 2 3 4 5; do
        # shellcheck disable=SC2086
        plan=$(apt-get install -s $apt_options $request 2>&1) && planned=1 || planned=
        removed=$(echo "$plan" | sed -n 's/^Remv \([^ ]*\) .*/\1/p' | tr '\n' ' ')
        [ -n "$planned" ] && [ -z "$removed" ] && break
        if [ -n "$planned" ]; then
            request="$request $removed"  # kept, at the version of what they depend on
            continue
        fi
        # A package tied to one version of a library that now takes another: the same version.
        ties=$(echo "$plan" | sed -n 's/^ *\([^ ]*\) : Depends: [^ ]* (= [^)]*) but \([^ ]*\) is to be installed$/\1 \2/p')
        [ -n "$ties" ] || break
        echo "$ties" | while read -r package version; do wine32_pin "$package" "$version"; done
    done
    if [ -z "$planned" ] || [ -n "$removed" ]; then
        why=$(echo "$plan" | grep -m1 '^E:' || true)
        [ -n "$removed" ] && why="it would remove $removed"
        echo "setup: 32-bit Wine (wine32:i386) cannot be had here: ${why:-apt found no plan}"
        rm -f "$wine32_prefs"
        return 1
    fi
    echo "$plan" | sed -n 's/^Inst \([^ ]*\) \[\([^]]*\)\] (\([^ ]*\) .*/\1 \2 \3/p' |
        while read -r package from to; do
            echo "setup: for one version across both architectures, $package changes from $from to $to"
        done
    status=0
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --allow-downgrades $apt_options $request >/dev/null ||
        status=$?
    rm -f "$wine32_prefs"
    [ $status -eq 0 ] || echo "setup: 32-bit Wine (wine32:i386) cannot be had here: apt-get install ended with status $status"
    return $status
}
if ! installed wine32:i386; then
    echo "setup: installing wine32:i386 (32-bit Wine beside wine64)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    # A failed index (a mirror in the middle of a sync) is tried again; what stays missing is
    # what the pins above work around.
    for attempt in 1 2 3; do
        $SUDO apt-get update -qq >/dev/null 2>&1 && break
        [ $attempt -lt 3 ] && echo "setup: the package index failed to download; trying again" && sleep 5
    done
    install_wine32 || wine32_said=1
fi
if [ -z "${wine32_said:-}" ] && ! reason=$(sh "$(dirname "$0")/../tests/wine-run.sh" --check-i686); then
    echo "setup: $reason"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    $SUDO sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
