// The two class stores behind HKEY_CLASSES_ROOT, and the one a removal
// works in.
//
// On Windows HKEY_CLASSES_ROOT is a merged view: the user's store,
// HKEY_CURRENT_USER\Software\Classes, over the machine's,
// HKEY_LOCAL_MACHINE\Software\Classes. A key the user's store holds hides
// the machine's of the same name, and a deletion through the view deletes
// whichever copy it shows; any program the user runs, elevated or not, may
// write the user's store. So a removal reads, decides and deletes inside
// one store, addressed from that store's own root: the store of the class
// key the line names, which is the user's where the user's store holds it.
#pragma once

#include "controls.h"
#include "views.h"

// One class store: its root open for reading, and where the machine keeps
// two views the root of the 32-bit view's own keys ("Wow6432Node" below it,
// null where the store has none); which it is, the views the removal works
// in and looks across, and the scope it was opened in.
struct Store {
    HKEY root;
    HKEY root32;
    ClassStore which;
    Views views;
    Scope scope;
};

// Opens the root of one store for the scope's view; ERROR_FILE_NOT_FOUND
// where there is none.
ResultCode OpenStore(ClassStore which, const Scope& scope, Store* store);
void CloseStore(const Store& store);

// Builds the entry line of the class keyName below the open "CLSID" key
// classes, as the listing does, opening with the view's flag: 0, or the
// code that shows it is no control (ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATA,
// ERROR_MORE_DATA) or that the registry failed. The listing opens the class
// key with full access, as it always has; a removal's look only reads it.
ResultCode BuildEntryLine(HKEY classes, const char* keyName, REGSAM flag, REGSAM access, char* line);

// Where a look that failed stopped: the store, and the length of clsidPath
// it got through (a link there, for one).
struct StoreStop {
    ClassStore which;
    int reached;
};

// Opens the store whose registration of the class key at clsidPath
// ("CLSID\...") builds exactly the entry line confirmed, in the view worked
// in, within the stores the scope takes: the user's first, as the merged
// view shows it, then the machine's; where neither builds it alone but the
// merged view builds it from both, the user's, whose copy the view reads
// first. ERROR_FILE_NOT_FOUND where none of them holds the class key;
// kRegistrationChanged where one does but no store builds that line (it
// changed after listing, or the line named another key).
ResultCode OpenStoreOfClass(const Scope& scope, const char* clsidPath, const char* confirmed, Store* store, StoreStop* stop);

// RegOpenKeyExA below the store's root, in the view worked in or in the
// one that view names.
// Where there are two views, every key is named where it lies and opened
// in the 64-bit view, which redirects nothing: a key each view keeps a copy
// of below the root of that view's copies; any other as the program's own
// view shows it: from the store's root, or for a 32-bit program from the
// 32-bit view's root where that holds the key's first name (Wine puts
// there the shared keys a 32-bit program makes).
// Windows redirects a 64-bit program's opens below a handle by the 32-bit
// view's flag; Wine does not.
// Every name of the path is opened as itself, with the view's flag: a
// symbolic link anywhere on it, the last name included, is refused with
// ERROR_CANT_RESOLVE_FILENAME, except the one the platform lays itself
// (Wine's "Wow6432Node\TypeLib" and its like, read as the shared keys they
// lead to). OpenReaching also tells how much of the path it got through:
// the length up to the end of the name where it stopped.
LONG OpenInStore(const Store& store, LPCSTR path, REGSAM access, PHKEY key);
LONG OpenInStoreView(const Store& store, REGSAM view, LPCSTR path, REGSAM access, PHKEY key);
LONG OpenReaching(const Store& store, REGSAM view, LPCSTR path, REGSAM access, PHKEY key, int* reached);

// The flag every open and deletion below the store's root carries.
REGSAM ViewFlagOf(const Store& store);
// Opens the key above the name of path that begins at nameAt as
// OpenInStore does, the path cut there for the while; where the path is
// one name, gives the root it lies below, not to be closed (*opened false).
LONG OpenParentInStore(const Store& store, char* path, int nameAt, PHKEY parent, bool* opened, int* reached);

// CheckKeyTree inside the store, the path from its root, with the count of
// the keys it saw where keys is not null.
ResultCode CheckKeyTreeIn(const Store& store, const char* path, KeySink sink, void* context, long* keys);

// DeleteKeyTree inside the store, each key opened as itself, checked again
// and deleted through its own handle. Where checked is a count of keys the
// walk of the same tree saw (not kAnyCount), a tree found otherwise is one
// that changed since: its top gone, a key more than it saw, one fewer once
// done, a key or link in its top's place after it went, all
// kRegistrationChanged, or a link met, ERROR_CANT_RESOLVE_FILENAME; the
// deletion stops there. The sink, where not null, is shown the key it
// stops at (kRefusingKey).
constexpr long kAnyCount = -1;
ResultCode DeleteKeyTreeIn(const Store& store, const char* path, long checked, KeySink sink, void* context);
