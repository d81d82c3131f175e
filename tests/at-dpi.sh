#!/bin/sh
# at-dpi.sh DPI WINE_RUN PREFIX PROGRAM ARGS...: runs the program in the
# prefix with the display's scale set to DPI (LogPixels), and sets it back
# to Wine's own 96 after, whatever the program did.
set -u
dpi=$1
run=$2
prefix=$3
shift 3
"$run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null || exit 1
"$run" "$prefix" "$@"
status=$?
"$run" "$prefix" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null
exit $status
