#!/bin/sh
# create DIR [--managed]: makes a fresh Wine prefix for one test run, with a
# virtual X display of its own for the dialog tests (its name kept in
# DIR/talven-display for wine-run.sh); with --managed, windows stay in the
# care of a window manager, as a person using the display expects.
# end DIR: stops its server and display and removes it.
# Never touches any other prefix or display.
set -eu
action=$1
prefix=$2
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$prefix"
wineserver=$(dirname "$(command -v "$wine_loader")")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

boot_64bit_only() {
    # Where 32-bit programs run only through an emulator, wineboot's 32-bit
    # setup is slow. In a namespace of its own with an empty binfmt_misc,
    # wineboot skips it; the 32-bit DLLs are then linked into syswow64 by
    # hand, which is all our programs need.
    "$(dirname "$0")/emulated-32bit.sh" || return 1
    unshare --user --map-root-user --mount sh -c '
        mount -t binfmt_misc none /proc/sys/fs/binfmt_misc || exit 1
        /lib/ld-linux.so.2 --version >/dev/null 2>&1 && exit 1
        timeout -k 10 600 "$1" wineboot -i >/dev/null 2>&1 && timeout -k 10 300 "$2" -w' \
        sh "$wine_loader" "$wineserver" || return 1
    dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
    syswow64="$prefix/drive_c/windows/syswow64"
    mkdir -p "$syswow64"
    for dll in "$dlls"/*; do
        [ -e "$syswow64/${dll##*/}" ] || ln -s "$dll" "$syswow64/"
    done
}

stop_display() {
    [ -f "$prefix/talven-xvfb.pid" ] && kill "$(cat "$prefix/talven-xvfb.pid")" 2>/dev/null
    return 0
}

start_display() {
    number=90
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
        number=$((number + 1))
    done
    # Without shared memory images: 32-bit Wine run by an emulator, as on
    # machines that cannot run 32-bit code, crashes now and then using them.
    setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -extension MIT-SHM \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$prefix/talven-xvfb.pid"
    echo ":$number" >"$prefix/talven-display"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$number" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on :$number" >&2
    return 1
}

case $action in
create)
    [ -d "$prefix" ] && { "$wineserver" -k 2>/dev/null || true; stop_display; rm -rf "$prefix"; }
    mkdir -p "$prefix"
    if ! boot_64bit_only 2>/dev/null; then
        rm -rf "$prefix"
        mkdir -p "$prefix"
        timeout -k 10 900 "$wine_loader" wineboot -i >/dev/null 2>&1
        timeout -k 10 300 "$wineserver" -w
    fi
    start_display
    # A prefix for people gets Wine's own TrueType fonts, which this Wine
    # does not find by itself: Marlett draws the caption's close box, where
    # "r" shows without it. Test prefixes keep the fonts their tests expect.
    if [ "${3:-}" = --managed ] && [ -d /usr/share/wine/fonts ]; then
        ln -sf /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
    fi
    # The virtual display has no window manager, and Wine waits up to two
    # seconds for one at every window it hides unless it manages the
    # windows itself. The server is let go before any test starts: a desktop
    # it started without the display would refuse the tests' windows.
    if [ "${3:-}" != --managed ]; then
        DISPLAY=$(cat "$prefix/talven-display") timeout -k 10 300 \
            "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        timeout -k 10 300 "$wineserver" -w
    fi
    echo "wine prefix ready: $prefix on display $(cat "$prefix/talven-display")"
    ;;
end)
    "$wineserver" -k 2>/dev/null || true
    stop_display
    rm -rf "$prefix"
    ;;
esac
