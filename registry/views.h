// The registry views the logic works in and looks across.
//
// 64-bit Windows keeps two views of the class store: "CLSID" and
// "Interface" (and "DirectShow", "Media Type", "MediaFoundation") one copy
// for 64-bit programs and one for 32-bit ones; every ProgID key and
// "TypeLib" one copy that both see. So a control shipped for both
// bitnesses has a class key in each view, one ProgID tree and one library.
// 32-bit Windows keeps one view, and ignores the view flags.
#pragma once

#include "controls.h"

// The flags of the view the logic works in and of the other view; both 0
// where the machine keeps one view.
struct Views {
    REGSAM working;
    REGSAM other;
};

// Finds out which views the machine keeps, one question to the platform,
// and which of them the scope works in.
Views FindViews(const Scope& scope);

// The flag of the program's own view, where there are two.
REGSAM OwnView();

// RegOpenKeyExA in the view that flag names, for the listing, which reads
// HKEY_CLASSES_ROOT as it is.
LONG OpenKey(REGSAM flag, HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key);

// True when path, from the root of a class store, names a key that each
// view keeps a copy of ("CLSID", "Interface", ... and what is below them).
bool IsRedirected(LPCSTR path);
