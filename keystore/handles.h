// Inside the stand-in: the table of open key handles, and what the calls
// that take a handle share: the merged view behind HKEY_CLASSES_ROOT, and
// the check each call makes first.
#pragma once

#include <string>
#include <vector>

#include "store.h"

namespace keystore::internal {

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// A handle of a key of one store, or of a path of the merged view. Opened
// through HKEY_CLASSES_ROOT it holds the copy it was opened on: bound to
// the user's copy, it stays with that one; on the machine's, it reads the
// user's copy whenever one shows.
struct Handle {
    Key* key = nullptr;
    REGSAM access = 0;
    bool open = false;
    bool merged = false;
    bool boundToUser = false;
    bool openLink = false;
    std::string path;  // merged: from the top of the class stores
    REGSAM view = 0;
    // merged: the subkeys of both copies, as of a generation of the tree
    std::vector<Key*> names;
    long namesGeneration = -1;
};

// HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
bool IsPredefined(HKEY key);
// The record of an open handle (HKEY_CLASSES_ROOT's own too), or null.
Handle* FindHandle(HKEY key);
bool IsClassesRoot(const Handle* h);
// A subkey as the calls read it: none is "".
const char* SubkeyName(LPCSTR subkey);
// A handle to a copy of made, open; and the record given back.
HKEY NewHandle(const Handle& made);
void FreeHandle(Handle* h);
int OpenHandles();
void ClearHandles();

// What a call on parent and subkey names: a key of one store, or through
// the merged view a path of it, in the handle's view (HKEY_CLASSES_ROOT
// itself takes the call's own).
struct Target {
    Key* from;     // one store: the key the subkey's path starts from
    Handle* view;  // merged: the handle the path continues
    std::string path;
    REGSAM flags;
};

// The subkey's 8-bit path read through the code page, as the registry
// reads it.
Target TargetOf(Key* from, Handle* h, LPCSTR subkey, REGSAM access);
// The same of a subkey's path as the registry keeps it, as a wide call
// names it.
Target TargetOfStored(Key* from, Handle* h, const std::string& stored, REGSAM access);
// Finds the target's key: in one store, or the copy the merged view shows.
LONG FindTarget(const Target& target, bool openLink, Key** key, bool* user);
// The key a merged handle reads now: the user's copy it is bound to, the
// user's copy that has appeared since, or the machine's.
LONG ShownKey(Handle* h, Key** key);
// The merged handle's subkeys: both copies' together, each name once, the
// user's spelling where both have it, in case-blind order; where one copy
// has none, the other's own list in single.
LONG ShownChildren(Handle* h, const std::vector<Key*>** merged, const std::pmr::vector<Key*>** single);

// Counts and logs the call and tells whether it is the one to fail, with
// the code it is to fail with.
bool CallFails(LONG* code);
bool RecordingCalls();
void RecordCall(const std::string& call);
void ClearFaults();

template <typename Name>
bool InjectedFailure(LONG* code, const char* operation, Name name)
{
    if (RecordingCalls())
        RecordCall(std::string(operation) + " " + name());
    return CallFails(code);
}

// Resolves a handle to the key it reads, the access it was opened with,
// and its own record (null for the hives' predefined handles).
LONG KeyOfHandle(HKEY handle, Key** key, REGSAM* access, Handle** found);
// The name of the handle's key, as the call log gives it.
std::string NameOfHandle(HKEY handle);
// Whether the key lets a handle be opened with that access: a read-only
// key, or the machine's hive where writing is denied, grants reading alone.
bool Grants(const Key* key, REGSAM wanted);

// What every call on a key does first: counts the call (failing it when it
// is the one to fail), resolves the handle to its key, and checks that the
// handle was opened with the access the call needs.
template <typename Name>
LONG BeginCall(const char* operation, Name name, HKEY handle, REGSAM needed, Key** key, Handle** found)
{
    LONG code;
    if (InjectedFailure(&code, operation, name))
        return code;
    REGSAM access;
    code = KeyOfHandle(handle, key, &access, found);
    if (code != ERROR_SUCCESS)
        return code;
    return (access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace keystore::internal
