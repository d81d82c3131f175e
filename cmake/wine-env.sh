# Sourced by the Wine scripts: quiet Wine with no Mono or Gecko installs and
# no menu entries made on the host, and the 64-bit loader, which starts
# 32-bit programs through the 32-bit one; in a prefix made 32-bit (one
# registry view), the 32-bit loader.
export WINEDEBUG="${TALVEN_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/talven-arch" ] && [ -x /usr/lib/wine/wine ]; then
    wine_loader=/usr/lib/wine/wine  # a 32-bit prefix
elif [ -x /usr/lib/wine/wine64 ]; then
    wine_loader=/usr/lib/wine/wine64
elif command -v wine64 >/dev/null 2>&1; then
    wine_loader=wine64
else
    wine_loader=wine
fi
