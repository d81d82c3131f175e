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

// Receives each entry line the moment it has been built.
typedef void (*ControlSink)(const char* line, void* context);

// Scans "CLSID" and hands every registered OLE control's entry line to the
// sink. Fails only when "CLSID" cannot be opened with full access; then no
// line has been delivered.
ResultCode FillControlList(ControlSink sink, void* context);

// Deletes the key at path (relative to HKEY_CLASSES_ROOT) with every key
// beneath it, leaves first; stops at the first failure, leaving in place
// whatever it had not reached. Never deletes through a symbolic link: a link
// anywhere in the tree is a failure when it is reached.
ResultCode DeleteKeyTree(const char* path);

// How the read-only walk of a removal shows each key of the trees it would
// delete: as it enters the key, before its subkeys, and as it leaves it,
// after them, which is the order the deletion takes. The key is open for
// reading, as itself; path is relative to HKEY_CLASSES_ROOT. A nonzero
// result ends the walk, and the removal, with that code before anything is
// deleted. Where the walk itself stops (a link, a child's path too long, a
// key it cannot open or enumerate), it shows that key as refused, with a
// null handle when the key could not be opened; that result is not looked at.
enum KeyVisit { kEnteringKey, kLeavingKey, kRefusingKey };
typedef ResultCode (*KeySink)(HKEY key, const char* path, KeyVisit visit, void* context);

// A tree the removal keeps whole because another registration still uses
// it: the tree, the name under "CLSID" of the class key that uses it, and
// the flag of that key's view (0 where the machine keeps one view).
typedef void (*KeptSink)(const char* tree, const char* user, REGSAM userView, void* context);

// Asks who besides the class being removed (its key name clsid, in the view
// worked in) still names the library: the first such class key's name into
// a room of kClassNameRoom bytes and its view's flag, or an empty name.
typedef ResultCode (*LibraryUsersQuery)(const char* library, const char* clsid, REGSAM workingView, char* user,
                                        REGSAM* userView, void* context);

// What a removal shows its caller, and asks of it; any of them may be null.
// Without a query, the removal makes one pass over both views' classes.
struct RemovalWatch {
    KeySink keys;
    KeptSink kept;
    LibraryUsersQuery users;
    void* context;
};

// Removes the registration of the control an entry line names: its ProgID
// tree, its type-library tree, then its class tree. A ProgID value that does
// not name this control's own ProgID tree, and a named tree that is already
// gone, are passed over; a ProgID tree that the class's key in the other
// registry view still names, and a library that another class key of either
// view still names, are kept; a tree that could not be deleted whole (a
// symbolic link in it, a path too long) ends the removal before anything is
// deleted. The line must sit in a room of kLineRoom bytes, which the removal
// uses as its working room.
ResultCode RemoveControl(char* line);

// RemoveControl, showing the watch every key it is about to delete before it
// deletes any of them, and every tree it keeps.
ResultCode RemoveControlReporting(char* line, const RemovalWatch& watch);

// Decides and walks exactly as RemoveControl does, showing the watch every
// key it would delete and every tree it would keep, and deletes nothing.
ResultCode PlanRemoval(char* line, const RemovalWatch& watch);

constexpr int kClsidPathRoom = 60;
constexpr int kTypeLibIdRoom = 50;
constexpr int kTypeLibPathRoom = sizeof "TYPELIB\\" - 1 + kTypeLibIdRoom;
// The longest name of a key, and its NUL.
constexpr int kClassNameRoom = 256;

// The trees besides its own that a removal of the class open as classKey
// (whose key name is clsid) would delete: the ProgID tree when its "ProgID"
// value names the class's own and the class's key in the other view does
// not name it too, into a room of kLineRoom bytes, and the type-library
// tree when its "Typelib" value is a library identifier that no other class
// key names, into a room of kTypeLibPathRoom bytes; either empty where
// there is none. A tree kept for another registration is shown to the
// watch. Fails only when the ProgID's key cannot be read for a reason other
// than its absence, or its tree holds a link or a path too long, or the
// other users cannot be told.
ResultCode FindNamedTrees(HKEY classKey, const char* clsid, char* progIdTree, char* typeLibTree,
                          const RemovalWatch& watch);

// Shown each class key of either view whose "Typelib" value is a library
// identifier: its name, its view's flag, the identifier. A nonzero result
// ends the pass with that code.
typedef ResultCode (*LibraryUserSink)(const char* clsid, REGSAM view, const char* library, void* context);

// One pass over the classes of the view worked in and of the other view,
// where there is one.
ResultCode FindLibraryUsers(LibraryUserSink sink, void* context);
