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

// Empties the room of the ProgID when another registration of the class,
// its key in the other view or in the other store, names the same ProgID,
// and shows the watch who. Fails only when that cannot be told.
ResultCode KeepProgIdOfOtherRegistrations(const Store& store, const char* clsid, char* progIdTree,
                                          const RemovalWatch& watch);
