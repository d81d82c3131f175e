// What a removal asks before it deletes a tree that another registration
// may still use.
#pragma once

#include "controls.h"
#include "stores.h"

// Empties the room of the library's path when a class key other than
// clsid's in the store and view worked in names the library, in either
// store and view, and shows the watch who. Fails only when that cannot be
// told.
ResultCode KeepLibraryOfOthers(const Store& store, const char* clsid, char* typeLibTree, const RemovalWatch& watch);

// Empties the room of the ProgID when the class's key in the other view of
// the same store names the same ProgID, and shows the watch. Fails only
// when that cannot be told.
ResultCode KeepProgIdOfOtherView(const Store& store, const char* clsid, char* progIdTree, const RemovalWatch& watch);
