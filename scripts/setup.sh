#!/bin/sh
# Installs what building and testing need on Debian 12, and only what is missing:
# the MinGW-w64 cross compilers, CMake and Ninja, Wine (64-bit), the zh_CN.UTF-8 locale
# (ANSI code page 936 under Wine), and for screenshots Xvfb, ImageMagick and a CJK font.
set -e

SUDO=
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
fi

packages="g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
cmake ninja-build googletest wine64 locales xvfb x11-apps imagemagick fonts-wqy-zenhei zip unzip osslsigncode
openssl python3"

missing=
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    $SUDO sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
