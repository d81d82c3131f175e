// Finding the registered OLE controls and removing one of them.
//
// An entry line is the text of one control: its display name, a TAB, the
// name of its key under "CLSID", a TAB, and its in-process server path.
// It never holds more than kLineRoom - 1 characters.
#pragma once

#include <stdint.h>
#include <windows.h>

// 0 is success; 1 means no line was selected or the line holds fewer than
// two TABs; anything else is a registry error code passed up unchanged.
typedef int32_t ResultCode;

constexpr int kLineRoom = 1024;

// What a removal answers when no store's registration builds the line it
// was given any more, or a tree changed between its walk and its deletion.
constexpr ResultCode kRegistrationChanged = ERROR_KEY_DELETED;

// The two stores of classes that HKEY_CLASSES_ROOT shows merged: the
// machine's, HKEY_LOCAL_MACHINE\Software\Classes, and the user's,
// HKEY_CURRENT_USER\Software\Classes (see stores.h).
enum ClassStore { kMachineStore, kUserStore };

// Which stores the logic may work in: the one whose copy of a class the
// merged view shows (the program's way), or one alone.
enum StoreChoice { kShownStore, kMachineStoreOnly, kUserStoreOnly };

// Where a command works, chosen once where it starts and handed down: the
// stores it may work in, and the registry view (KEY_WOW64_32KEY or
// KEY_WOW64_64KEY). A view of 0 is the program's own, which every Windows
// has. Every key is deleted through the handle it was opened by, in its
// view, so no view needs a deletion of its own.
struct Scope {
    StoreChoice stores;
    REGSAM view;
};

// The dialog's: the stores as the merged view shows them, the program's own
// view.
constexpr Scope kShownScope = {kShownStore, 0};

// The one store a choice names where a list or a tree is of one store
// alone: the user's where that alone is chosen, else the machine's, where
// a key made through HKEY_CLASSES_ROOT goes.
ClassStore SingleStoreOf(StoreChoice choice);

// Whether the choice lets the logic work in that store.
bool ChoiceTakes(StoreChoice choice, ClassStore store);

// Receives each entry line the moment it has been built.
typedef void (*ControlSink)(const char* line, void* context);

// Scans "CLSID" of HKEY_CLASSES_ROOT, the merged view of both stores, and
// hands every registered OLE control's entry line to the sink. Fails only
// when "CLSID" cannot be opened with full access; then no line has been
// delivered.
ResultCode FillControlList(ControlSink sink, void* context);

// The listing of the scope: FillControlList in its view where the stores
// are chosen as the merged view shows them, else FillStoreControlList of
// the one store chosen.
ResultCode FillScopeControlList(const Scope& scope, ControlSink sink, void* context);

// FillControlList over one store's "CLSID" alone, in the scope's view.
ResultCode FillStoreControlList(ClassStore store, const Scope& scope, ControlSink sink, void* context);

// How the merged view shows, now, in the scope's view, the control an
// entry line names: its line, as the listing would build it, into a room
// of kLineRoom bytes; 0 when it is still listed, else nonzero. After a
// removal from one store, the other store may still register it.
ResultCode ShownControlLine(const Scope& scope, const char* line, char* shown);

// Deletes the key at path (relative to the root of the machine's class
// store, in the program's own view) with every key beneath it, leaves
// first; stops at the first failure, leaving in place whatever it had not
// reached. Never deletes through a symbolic link: a link anywhere in the
// tree is a failure when it is reached.
ResultCode DeleteKeyTree(const char* path);

// How the read-only walk of a removal shows each key of the trees it would
// delete: as it enters the key, before its subkeys, and as it leaves it,
// after them, which is the order the deletion takes. The key is open for
// reading, as itself; path is relative to the root of the store the
// removal works in, which it tells the watch first. A nonzero
// result ends the walk, and the removal, with that code before anything is
// deleted. Where the walk itself stops (a link, a child's path too long, a
// key it cannot open or enumerate), it shows that key as refused, with a
// null handle when the key could not be opened; that result is not looked at.
enum KeyVisit { kEnteringKey, kLeavingKey, kRefusingKey };
typedef ResultCode (*KeySink)(HKEY key, const char* path, KeyVisit visit, void* context);

// A class key by its name under "CLSID", its view's flag (0 where the
// machine keeps one view) and its store; spelt false where the code page
// cannot spell its name, which is then the 8-bit calls' spelling, good for
// saying which key it is but no key's own name: it is never taken for the
// class a removal names.
struct ClassKey {
    const char* clsid;
    REGSAM view;
    ClassStore store;
    bool spelt = true;
};

// A tree the removal keeps whole because another registration still uses
// it: the tree, and the class key that uses it.
typedef void (*KeptSink)(const char* tree, const ClassKey& user, void* context);

// Asks who besides the class being removed still names the library: the
// first such class key's name into a room of kKeyNameRoom bytes, its
// view and store, or an empty name.
typedef ResultCode (*LibraryUsersQuery)(const char* library, const ClassKey& removed, char* user, REGSAM* userView,
                                        ClassStore* userStore, void* context);

// Told the store a removal works in, before any key of it.
typedef void (*StoreSink)(ClassStore store, void* context);

// What a removal shows its caller, and asks of it; any of them may be null.
// Without a query, the removal makes one pass over both stores' classes in
// both views.
struct RemovalWatch {
    KeySink keys;
    KeptSink kept;
    LibraryUsersQuery users;
    void* context;
    StoreSink store;
};

// Removes the registration of the control an entry line names: its ProgID
// tree, its type-library tree, then its class tree, all of one store: the
// user's where that store holds the class key, else the machine's; its
// reads and deletions are that store's alone. A ProgID value that does
// not name this control's own ProgID tree, and a named tree that is already
// gone, are passed over; a ProgID tree that the class's key in the other
// registry view still names, and a library that another class key of either
// view still names, are kept; a tree that could not be deleted whole (a
// symbolic link in it, a path too long) ends the removal before anything is
// deleted. The line must sit in a room of kLineRoom bytes, which the removal
// uses as its working room.
ResultCode RemoveControl(char* line);

// RemoveControl in the scope, showing the watch every key it is about to
// delete before it deletes any of them, and every tree it keeps.
ResultCode RemoveControlReporting(char* line, const Scope& scope, const RemovalWatch& watch);

// Decides and walks exactly as RemoveControlReporting does, showing the
// watch every key it would delete and every tree it would keep, and
// deletes nothing.
ResultCode PlanRemoval(char* line, const Scope& scope, const RemovalWatch& watch);

constexpr int kTypeLibIdRoom = 50;
constexpr int kTypeLibPathRoom = sizeof "TYPELIB\\" - 1 + kTypeLibIdRoom;
// The longest name of a key, 255 UTF-16 units, and its NUL; and its room in
// bytes in any code page: three each at most, in UTF-8, and the NUL.
constexpr int kKeyNameUnits = 256;
constexpr int kKeyNameRoom = 3 * (kKeyNameUnits - 1) + 1;
// "CLSID\" and a class key's name.
constexpr int kClsidPathRoom = sizeof "CLSID\\" - 1 + kKeyNameRoom;

struct Store;

// The trees besides its own that a removal of the class open as classKey
// (whose key name is clsid) in the store would delete: the ProgID tree when
// its "ProgID" value names the class's own tree in that store and the
// class's key in the other view of that store does not name it too, into a
// room of kLineRoom bytes, and the type-library tree of that store when its
// "Typelib" value is a library identifier that no other class key of either
// store names, into a room of kTypeLibPathRoom bytes; either empty where
// there is none. A tree kept for another registration is shown to the
// watch. Fails only when the ProgID's key cannot be read for a reason other
// than its absence, or its tree holds a link or a path too long, or the
// other users cannot be told.
ResultCode FindNamedTrees(const Store& store, HKEY classKey, const char* clsid, char* progIdTree, char* typeLibTree,
                          const RemovalWatch& watch);

// Shown each class key of either store and view whose "Typelib" value is a
// library identifier, and the identifier. A nonzero result ends the pass
// with that code.
typedef ResultCode (*LibraryUserSink)(const ClassKey& user, const char* library, void* context);

// One pass over the classes of both stores, in the scope's view and in the
// other view, where there is one.
ResultCode FindLibraryUsers(const Scope& scope, LibraryUserSink sink, void* context);
