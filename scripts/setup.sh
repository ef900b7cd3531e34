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
if ! installed wine32:i386; then
    echo "setup: installing wine32:i386 (32-bit Wine beside wine64)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    if ! { $SUDO apt-get update -qq &&
           DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
               wine32:i386 >/dev/null; }; then
        echo "setup: wine32:i386 could not be installed; the 32-bit tests will be skipped"
    fi
fi
if ! reason=$(sh "$(dirname "$0")/../tests/wine-run.sh" --check-i686); then
    echo "setup: $reason"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    $SUDO sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
