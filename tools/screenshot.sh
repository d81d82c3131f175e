#!/bin/bash
# Makes the README's pictures: talven's dialog on a virtual display, against a
# throwaway Wine prefix laid out with sample controls (docs/talven.png), and
# the confirmation that the Remove button asks for (docs/talven-confirm.png);
# then both again with the display at 150 % (LogPixels 144: the -150.png).
# Uses the 64-bit build, which starts fastest under Wine; the dialog is the
# same in both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/samples.sh"
"$root/tools/install-deps.sh"
mkdir -p "$root/build"
"$root/tools/build.sh" win-x86_64 >"$root/build/screenshot-build.log" 2>&1 ||
    { cat "$root/build/screenshot-build.log"; exit 1; }

prefix="$root/build/screenshot-prefix"
"$root/cmake/wine-prefix.sh" create "$prefix" --managed >/dev/null
trap '"$root/cmake/wine-prefix.sh" end "$prefix"' EXIT
run() { "$root/cmake/wine-run.sh" "$prefix" "$@"; }
sample_controls_reg >"$prefix/samples.reg"
run regedit /s 'Z:'"${prefix//\//\\}"'\samples.reg'
sample_server_files "$prefix"
sample_font_links "$prefix"

export DISPLAY
DISPLAY=$(cat "$prefix/talven-display")
shown() { xwininfo -root -tree 2>/dev/null | grep -q "$1"; }
mkdir -p "$root/docs"

# One scale: LogPixels (96 is 100 %), the virtual desktop's size, and the
# names of the two pictures.
shoot() {
    dpi=$1 size=$2 dialog_png=$3 confirm_png=$4
    run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    # A virtual desktop, so that Wine draws the window frames itself.
    run explorer /desktop=talven,"$size" "$root/build/win-x86_64/bin/talven.exe" &
    for _ in $(seq 120); do shown 'Registered OLE Controls' && break; sleep 0.5; done
    sleep 2
    # The last line, a name in Japanese, selected: its details in the box,
    # the Russian one above it greyed.
    xdotool key End
    sleep 1
    import -window root -crop "$size"+0+0 +repage "$root/docs/$dialog_png"
    # The confirmation: Alt+R presses Remove; the answer is No, so nothing goes.
    xdotool key alt+r
    for _ in $(seq 60); do shown 'Remove Control' && break; sleep 0.5; done
    sleep 1
    import -window root -crop "$size"+0+0 +repage "$root/docs/$confirm_png"
    xdotool key n
    sleep 1
    xdotool key Return
    wait
}
shoot 96 560x400 talven.png talven-confirm.png
shoot 144 840x600 talven-150.png talven-confirm-150.png
echo "saved the pictures in docs/, at 100 % and at 150 %"
