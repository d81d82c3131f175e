# Sourced by the Wine scripts: quiet Wine with no Mono or Gecko installs, and
# the 64-bit loader, which starts 32-bit programs through the 32-bit one.
export WINEDEBUG="${TALVEN_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
if [ -x /usr/lib/wine/wine64 ]; then
    wine_loader=/usr/lib/wine/wine64
elif command -v wine64 >/dev/null 2>&1; then
    wine_loader=wine64
else
    wine_loader=wine
fi
