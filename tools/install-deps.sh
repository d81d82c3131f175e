#!/bin/bash
# Installs what building and testing talven needs on Debian 12, as root and
# without questions, and lets 32-bit Windows programs run under Wine where the
# machine cannot run 32-bit Linux programs itself. Skips what is already done.
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64 wine32:i386 qemu-user
    xvfb xauth x11-utils xdotool imagemagick gnuplot-nox
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: as root, install: ${missing[*]}" >&2
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs 32-bit Windows programs through its 32-bit Linux loader. Some
# virtual machines cannot execute 32-bit code; there the loader runs under
# qemu's user-mode emulator, registered with binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-i386" ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:OCF' \
            >"$binfmt/register"
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
        { echo "install-deps: 32-bit programs still cannot run" >&2; exit 1; }
fi
