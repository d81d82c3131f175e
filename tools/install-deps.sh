#!/bin/bash
# Installs what building and testing talven needs on Debian 12, as root and
# without questions, and lets 32-bit Windows programs run under Wine where the
# machine cannot run 32-bit Linux programs itself. Skips what is already done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-14 lld-14 llvm-14 libwine-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64 wine32:i386
    python3 xvfb xauth x11-utils xdotool imagemagick gnuplot-nox fonts-wine fonts-wqy-microhei strip-nondeterminism
)

as_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: as root, $1" >&2
        exit 1
    fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    as_root "install: ${missing[*]}"
    echo "install-deps: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    # A mirror caught mid-sync fails one list now and then; the rest serve.
    apt-get update -q >/dev/null || echo "install-deps: some package lists could not be fetched" >&2
    # Without one architecture's list of a suite, that architecture gets an
    # older version than the other, and packages of both must match: then
    # both take Debian 12's own suite.
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
        apt-get install -y -q --no-install-recommends -t bookworm "${missing[@]}" >/dev/null
fi

"$root/cmake/emulated-32bit.sh" || exit 0

# Wine runs 32-bit Windows programs through its 32-bit Linux loader, and this
# machine cannot execute 32-bit code: the loader runs under qemu's user-mode
# emulator, registered with binfmt_misc. Debian 12's qemu takes about a
# minute to start a program; the one of its bookworm-backports suite a fifth
# of a second, so that one is used.
qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
upgraded=no
if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:10~; then
    as_root "install qemu-user from bookworm-backports"
    backports=/etc/apt/sources.list.d/talven-bookworm-backports.sources
    if [ ! -e "$backports" ]; then
        # The suite comes from the mirror and keyring the machine already uses
        # for Debian itself.
        found=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
            /^$/ { if (suites ~ /(^| )bookworm( |$)/ && uris != "") { print uris "|" key; exit } uris = suites = key = "" }
            /^URIs:/ { uris = $2 }
            /^Suites:/ { $1 = ""; suites = $0 " " }
            /^Signed-By:/ { key = $2 }
            END { if (suites ~ /(^| )bookworm( |$)/ && uris != "") print uris "|" key }' | head -n 1)
        if [ -z "$found" ]; then
            found=$(sed -nE 's/^deb +(\[[^]]*signed-by=([^] ]+)[^]]*\] +)?([^ ]+) +bookworm +.*/\3|\2/p' \
                /etc/apt/sources.list 2>/dev/null | head -n 1)
        fi
        [ -n "$found" ] || { echo "install-deps: no Debian bookworm source to take backports from" >&2; exit 1; }
        {
            echo "Types: deb"
            echo "URIs: ${found%%|*}"
            echo "Suites: bookworm-backports"
            echo "Components: main"
            [ -n "${found#*|}" ] && echo "Signed-By: ${found#*|}"
        } >"$backports"
    fi
    apt-get update -q >/dev/null || echo "install-deps: some package lists could not be fetched" >&2
    # Only qemu-user from backports: a -t on a command that names other
    # packages would bring Wine's libraries from there too.
    apt-get install -y -q --no-install-recommends qemu-user/bookworm-backports >/dev/null
    upgraded=yes
fi

binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
[ -e "$binfmt/register" ] || { as_root "mount binfmt_misc"; mount -t binfmt_misc binfmt_misc "$binfmt"; }
# The F flag keeps the registered emulator open: after an upgrade the entry
# still runs the old one until it is registered again.
if [ -e "$entry" ] && [ $upgraded = yes ]; then
    echo -1 >"$entry"
fi
if [ ! -e "$entry" ]; then
    as_root "register qemu-i386 with binfmt_misc"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:OCF' \
        >"$binfmt/register"
fi
/lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    { echo "install-deps: 32-bit programs still cannot run" >&2; exit 1; }
echo "install-deps: 32-bit programs run under $(/usr/bin/qemu-i386 --version | head -n 1)"
