// Control of the stand-in key store behind the host's registry operations,
// for tests and benchmarks: laying keys out in either class store and either
// registry view, denying access, counting open handles and calls, and
// failing a chosen call.
//
// Like Windows, the store keeps two class stores: the machine's
// (HKEY_LOCAL_MACHINE\Software\Classes) and the user's
// (HKEY_CURRENT_USER\Software\Classes), and HKEY_CLASSES_ROOT is a merged
// view of the user's over the machine's: a key either store holds shows,
// the user's copy where both do; a handle opened there on the machine's copy
// reads the user's once one appears; enumeration lists the subkeys of both
// copies, each name once; a key made there goes to the machine's store
// unless the user's holds it already; a deletion there deletes the copy the
// view shows, after which the machine's shows through.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace keystore {

// Every path below names a key of the machine's class store, as a path
// from HKEY_CLASSES_ROOT does, unless it begins with this: then the rest
// names a key of the user's class store.
constexpr char kUserClasses[] = "HKCU\\Software\\Classes\\";

enum class Access {
    kFull,
    kReadOnly,  // opens asking for more than KEY_READ fail with 5
    kNoDelete,  // opens succeed, RegDeleteKeyA fails with 5
};

// The machine the store stands in for: one registry view, where the view
// flags are ignored (32-bit Windows), or two, with this process a 32-bit
// program under WOW64: IsWow64Process says so, and no flag means the 32-bit
// view. Two views keep apart only what is laid out apart: the 32-bit view
// reads a name at the top from "Wow6432Node" where that key holds the name,
// the shared key otherwise, as Wine does.
enum class Views { kOne, kTwoFrom32 };
void SetViews(Views views);

// The ANSI code page the 8-bit calls convert names and values through, as
// the platform does: 1252, single-byte, with best-fit characters for some
// it lacks; 932, double-byte; or 65001, UTF-8, as Windows' UTF-8 setting
// and a manifest's activeCodePage make it. Every path and value given to
// the calls below is the stored, wide text, written as UTF-8 (an unpaired
// surrogate as the three bytes that would encode it).
enum class CodePage { k1252, k932, k65001 };
void SetCodePage(CodePage page);

// Empties the store, makes it one view and code page 1252. Handles still open become
// invalid.
void Clear();

// Every path below is read in the view that view names (a KEY_WOW64_ flag,
// or 0 for the process's own), as a call from the root would read it.

// Creates the key at path (and any missing keys above it); true on success.
bool CreateKey(const std::string& path, REGSAM view = 0);
// Makes a symbolic link at path (creating the keys above it) to the key at
// target, as the registry does: opens and deletes through path reach the
// target, unless an open asks for REG_OPTION_OPEN_LINK on the link itself,
// which then shows no subkeys and a "SymbolicLinkValue" of type REG_LINK.
// The target need not exist. False when path already names a key.
bool CreateLink(const std::string& path, const std::string& target, REGSAM view = 0);
// Sets the key's default value (creating the key); data is stored as given.
bool SetDefault(const std::string& path, DWORD type, const std::string& data, REGSAM view = 0);
bool SetAccess(const std::string& path, Access access, REGSAM view = 0);
// Renames the key at path (never followed if it is a link) within its
// parent, as RegRenameKey does: handles open on it stay open on it under
// its new name. False where there is no such key or a sibling has the name.
bool RenameKey(const std::string& path, const std::string& newName, REGSAM view = 0);
// Makes the whole machine's hive refuse writing, as it does a standard
// user: an open asking for more than KEY_READ, a deletion and a new key
// fail with 5, through HKEY_CLASSES_ROOT too.
void DenyMachineWrites(bool deny);
bool Exists(const std::string& path, REGSAM view = 0);
// The key's default value, when it has one.
bool GetDefault(const std::string& path, DWORD* type, std::string* data, REGSAM view = 0);

// Every key of both class stores, in the tree as it is (the 32-bit view's
// own keys under "Wow6432Node"), each as its full path (the user's with
// kUserClasses before it), parents before children, the machine's first,
// with its default value as "path = type:data"; a link as "path -> target",
// never followed.
std::vector<std::string> Dump();

int OpenHandleCount();

// Deletions asked of HKEY_CLASSES_ROOT or of a handle opened through it,
// since Clear: where a key both stores hold is deleted, the merged view
// deletes the copy it shows, whichever store the caller meant.
long DeletionsThroughClassesRoot();

// Keys deleted since Clear, by full path, in the order they went.
std::vector<std::string> DeletedKeys();
// The calls made since RecordCalls(true), each as "operation name": the
// subkey named for opens and deletes, the key's own name for the others.
// Clear stops the recording.
void RecordCalls(bool on);
std::vector<std::string> CallLog();

// Counts the five operations; the call numbered failAt (1 for the next one)
// returns code instead of doing its work. 0 switches injection off.
long CallCount();
void FailCall(long failAt, LONG code);
// Runs action once, just before the call numbered at (1 for the next one)
// does its work, as another program would change the registry between two
// calls of this one. 0 takes it back.
void BeforeCall(long at, std::function<void()> action);

}  // namespace keystore
