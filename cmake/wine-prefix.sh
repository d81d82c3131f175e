#!/bin/sh
# create DIR [--managed | --one-view]: makes a fresh Wine prefix for one test
# run, fully booted, so that Wine's own classes are registered in both of a
# 64-bit prefix's registry views, with a virtual X display of its own for the
# dialog tests (its name kept in DIR/talven-display for wine-run.sh); with
# --managed, windows stay in the care of a window manager, as a person using
# the display expects; with --one-view, a 32-bit prefix, which keeps one
# view as 32-bit Windows does (wine-run.sh then runs the 32-bit loader).
# template DIR [--one-view]: the same, its display stopped, to be copied.
# Where TALVEN_WINE_TEMPLATES names a folder, DIR is a link to the template
# of that kind there, booted once by whichever configuration asks first,
# for every configuration of the run.
# copy TEMPLATE DIR: a prefix of its own for one test, made in a moment
# from the template, with a display of its own: the Windows folders' files,
# which nothing writes, linked; every other file copied.
# end DIR: stops its server and display and removes it.
# Never touches any other prefix or display.
set -eu
action=$1
prefix=$2
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$prefix"
wineserver=$(dirname "$(command -v "$wine_loader")")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

stop_display() {
    [ -f "$prefix/talven-xvfb.pid" ] && kill "$(cat "$prefix/talven-xvfb.pid")" 2>/dev/null
    return 0
}

start_display() {
    # The server picks a free display itself and says which once it takes
    # connections: tests starting side by side never pick the same one.
    # Without shared memory images: 32-bit Wine run by an emulator, as on
    # machines that cannot run 32-bit code, crashes now and then using them.
    rm -f "$prefix/talven-display.number"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -extension MIT-SHM \
        3>"$prefix/talven-display.number" </dev/null >/dev/null 2>&1 &
    echo $! >"$prefix/talven-xvfb.pid"
    for _ in $(seq 100); do
        # The server's shell may not have made the file yet: under set -e a
        # failed cat here would end the script without a word.
        number=$(cat "$prefix/talven-display.number" 2>/dev/null || true)
        if [ -n "$number" ]; then
            echo ":$number" >"$prefix/talven-display"
            return 0
        fi
        sleep 0.1
    done
    echo "Xvfb did not start for $prefix" >&2
    return 1
}

case $action in
copy)
    template=$2
    prefix=$3
    export WINEPREFIX="$prefix"
    rm -rf "$prefix"
    # Linked, a prefix is a moment's work where a copy is a gigabyte: each
    # file a program may write in place (the registry's, the small ones) is
    # copied, and every other one linked.
    mkdir -p "$prefix" &&
        (cd "$template" && find . -type f \( -size -64k -o -name '*.reg' \) -print0 |
            xargs -0 cp -a --parents -t "$prefix") &&
        cp -al -n "$template/." "$prefix/" && [ -f "$prefix/system.reg" ] ||
        { echo "cannot copy $template" >&2; exit 1; }
    start_display
    ;;
template)
    if [ -n "${TALVEN_WINE_TEMPLATES:-}" ]; then
        shared=$TALVEN_WINE_TEMPLATES/two-views
        [ "${3:-}" = --one-view ] && shared=$TALVEN_WINE_TEMPLATES/one-view
        mkdir -p "$TALVEN_WINE_TEMPLATES"
        (
            flock 9 || exit 1
            [ -f "$shared/talven-ready" ] && exit 0
            TALVEN_WINE_TEMPLATES= "$0" template "$shared" ${3:-} && touch "$shared/talven-ready"
        ) 9>"$shared.lock" || exit 1
        rm -rf "$prefix"
        ln -s "$shared" "$prefix"
        echo "wine prefix template ready: $prefix, linked to $shared"
        exit 0
    fi
    ;;
esac

case $action in
create | template)
    [ -d "$prefix" ] && { "$wineserver" -k 2>/dev/null || true; stop_display; rm -rf "$prefix"; }
    mkdir -p "$prefix"
    if [ "${3:-}" = --one-view ]; then
        echo win32 >"$prefix/talven-arch"
        . "$(dirname "$0")/wine-env.sh"
        export WINEARCH=win32
    fi
    timeout -k 10 900 "$wine_loader" wineboot -i >/dev/null 2>&1
    timeout -k 10 300 "$wineserver" -w
    # Where 32-bit code runs only under an emulator, the boot's 32-bit part
    # is the one that can fail unseen; the tests need the classes it
    # registers in the 32-bit view.
    if [ ! -e "$prefix/talven-arch" ]; then
        classes32=$(grep -c '^\[Software\\\\Classes\\\\Wow6432Node\\\\CLSID\\\\' "$prefix/system.reg" || true)
        [ "$classes32" -ge 300 ] ||
            { echo "wine prefix $prefix: $classes32 classes in the 32-bit view, not a full boot" >&2; exit 1; }
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
    if [ "$action" = template ]; then
        stop_display
        rm -f "$prefix/talven-display" "$prefix/talven-display.number" "$prefix/talven-xvfb.pid"
        echo "wine prefix template ready: $prefix"
    else
        echo "wine prefix ready: $prefix on display $(cat "$prefix/talven-display")"
    fi
    ;;
end)
    # A link to a template shared by the run: the template stays.
    [ -L "$prefix" ] && { rm -f "$prefix"; exit 0; }
    # The server gone before its folder: a folder made next may get the
    # same inode, and with it this server's socket.
    "$wineserver" -k 2>/dev/null || true
    timeout -k 5 60 "$wineserver" -w 2>/dev/null || true
    stop_display
    rm -rf "$prefix"
    ;;
esac
