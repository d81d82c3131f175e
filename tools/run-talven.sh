#!/bin/bash
# Builds talven.exe (the 32-bit product) and opens it under Wine, in a
# throwaway prefix of its own under build/ laid out with a few sample
# controls (pass --bare for Wine's own registry as it comes). On $DISPLAY
# when there is one; otherwise on a virtual display, from which a screenshot
# is saved to build/talven-run.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/samples.sh"
"$root/tools/install-deps.sh"
mkdir -p "$root/build"
echo "building talven.exe ..."
"$root/tools/build.sh" win-i686 >"$root/build/run-build.log" 2>&1 ||
    { cat "$root/build/run-build.log"; exit 1; }

prefix="$root/build/run-prefix"
echo "making a throwaway Wine prefix ..."
"$root/cmake/wine-prefix.sh" create "$prefix" --managed >/dev/null
trap '"$root/cmake/wine-prefix.sh" end "$prefix"' EXIT
run() { "$root/cmake/wine-run.sh" "$prefix" "$@"; }
if [ "${1:-}" != --bare ]; then
    sample_controls_reg >"$prefix/samples.reg"
    run regedit /s 'Z:'"${prefix//\//\\}"'\samples.reg'
fi

exe="$root/build/win-i686/bin/talven.exe"
if [ -n "${DISPLAY:-}" ]; then
    rm -f "$prefix/talven-display"
    echo "opening talven on $DISPLAY"
    run "$exe"
else
    echo "no DISPLAY: opening talven on a virtual display"
    # In a Wine desktop of its own, where Wine draws the caption and close
    # box that no window manager draws on the virtual display.
    DISPLAY=$(cat "$prefix/talven-display") run explorer /desktop=talven,560x400 "$exe" &
    talven=$!
    for _ in $(seq 300); do
        sleep 1
        DISPLAY=$(cat "$prefix/talven-display") xwininfo -root -tree 2>/dev/null |
            grep -q 'Registered OLE Controls' && break
        kill -0 "$talven" 2>/dev/null || {
            echo "talven.exe ended before its dialog showed" >&2
            exit 1
        }
    done
    sleep 2
    DISPLAY=$(cat "$prefix/talven-display") import -window root -crop 560x400+0+0 +repage "$root/build/talven-run.png"
    echo "talven is open; its screen is saved in build/talven-run.png"
    kill %1 2>/dev/null || true
fi
