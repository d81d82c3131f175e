#!/bin/bash
# Builds talven.exe (the 32-bit product) and opens it under Wine, in a
# throwaway prefix of its own under build/ laid out with a few sample
# controls, one of whose server files is there (pass --bare for Wine's own
# registry as it comes). On $DISPLAY
# when there is one; otherwise on a virtual display, from which a screenshot
# is saved to build/talven-run.png, and one with the display at 150 % to
# build/talven-run-150.png.
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
    sample_server_files "$prefix"
    sample_font_links "$prefix"
fi

exe="$root/build/win-i686/bin/talven.exe"
if [ -n "${DISPLAY:-}" ]; then
    rm -f "$prefix/talven-display"
    echo "opening talven on $DISPLAY"
    run "$exe"
else
    echo "no DISPLAY: opening talven on a virtual display, at 100 % and at 150 %"
    # Each in a Wine desktop of its own, where Wine draws the caption and
    # close box that no window manager draws on the virtual display.
    picture() {
        dpi=$1 size=$2 png=$3
        run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
        DISPLAY=$(cat "$prefix/talven-display") run explorer /desktop=talven,"$size" "$exe" &
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
        DISPLAY=$(cat "$prefix/talven-display") import -window root -crop "$size"+0+0 +repage "$root/build/$png"
        DISPLAY=$(cat "$prefix/talven-display") xdotool key Return
        wait "$talven" 2>/dev/null || true
    }
    picture 96 560x400 talven-run.png
    picture 144 840x600 talven-run-150.png
    echo "talven was open; its screen is saved in build/talven-run.png, and at 150 % in build/talven-run-150.png"
fi
