#!/bin/sh
# Runs a Windows program under Wine in the throwaway prefix given first,
# bounded in time so that a hung program fails instead of waiting for ever.
prefix=$1
shift
export WINEPREFIX="$prefix"
. "$(dirname "$0")/wine-env.sh"
[ -f "$prefix/talven-display" ] && DISPLAY=$(cat "$prefix/talven-display") && export DISPLAY
exec timeout -k 10 "${TALVEN_WINE_TIMEOUT:-900}" "$wine_loader" "$@"
