#!/bin/bash
# Makes the README's pictures: talven's dialog on a virtual display, against a
# throwaway Wine prefix laid out with sample controls (docs/talven.png), and
# the confirmation that the Remove button asks for (docs/talven-confirm.png).
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

export DISPLAY
DISPLAY=$(cat "$prefix/talven-display")
# A virtual desktop, so that Wine draws the window frames itself.
run explorer /desktop=talven,560x400 "$root/build/win-x86_64/bin/talven.exe" &
shown() { xwininfo -root -tree 2>/dev/null | grep -q "$1"; }
for _ in $(seq 120); do shown 'Registered OLE Controls' && break; sleep 0.5; done
sleep 2
mkdir -p "$root/docs"
import -window root -crop 560x400+0+0 +repage "$root/docs/talven.png"

# The confirmation: Alt+R presses Remove; the answer is No, so nothing goes.
xdotool key alt+r
for _ in $(seq 60); do shown 'Remove Control' && break; sleep 0.5; done
sleep 1
import -window root -crop 560x400+0+0 +repage "$root/docs/talven-confirm.png"
echo "saved the pictures in docs/"
