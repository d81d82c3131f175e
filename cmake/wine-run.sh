#!/bin/sh
# Runs a Windows program under Wine in the throwaway prefix given first,
# bounded in time so that a hung program fails instead of waiting for ever.
prefix=$1
shift
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$prefix"
[ -f "$prefix/talven-display" ] && DISPLAY=$(cat "$prefix/talven-display") && export DISPLAY
# Tells the test drivers that 32-bit programs run under qemu here.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    grep -qs enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
    export TALVEN_EMULATED_32BIT=1
fi
exec timeout -k 10 "${TALVEN_WINE_TIMEOUT:-900}" "$wine_loader" "$@"
