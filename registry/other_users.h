// What a removal asks before it deletes a tree that another registration
// may still use.
#pragma once

#include "controls.h"
#include "views.h"

// Empties the room of the library's path when a class key other than
// clsid's in the view worked in names the library, and shows the watch who.
// Fails only when that cannot be told.
ResultCode KeepLibraryOfOthers(const Views& views, const char* clsid, char* typeLibTree, const RemovalWatch& watch);

// Empties the room of the ProgID when the class's key in the other view
// names the same ProgID, and shows the watch. Fails only when that cannot
// be told.
ResultCode KeepProgIdOfOtherView(const Views& views, const char* clsid, char* progIdTree, const RemovalWatch& watch);
