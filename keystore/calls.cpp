// The stand-in's registry operations and string routines, with the
// platform's signatures and error codes: every call counted, logged when
// asked, failed when it is the one chosen, and checked against the access
// its handle was opened with; HKEY_CLASSES_ROOT the merged view of the two
// class stores.
#include <cstring>

#include "store.h"

using namespace keystore::internal;

namespace {

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

std::vector<Handle> g_handles;
std::vector<size_t> g_freeHandles;
Handle g_classesRoot;  // HKEY_CLASSES_ROOT itself
int g_openHandles = 0;
long g_calls = 0;
std::vector<std::string> g_callLog;
bool g_recordCalls = false;
long g_failAt = 0;
LONG g_failCode = 0;
bool g_machineReadOnly = false;
long g_viewDeletions = 0;

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// Counts and logs the call and tells whether it is the one to fail.
template <typename Name>
bool InjectedFailure(LONG* code, const char* operation, Name name)
{
    ++g_calls;
    if (g_recordCalls)
        g_callLog.push_back(std::string(operation) + " " + name());
    if (g_failAt != 0 && g_calls == g_failAt) {
        *code = g_failCode;
        return true;
    }
    return false;
}

bool IsPredefined(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER;
}

Handle* FindHandle(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT) {
        g_classesRoot.key = Root();
        g_classesRoot.access = KEY_ALL_ACCESS;
        g_classesRoot.open = true;
        g_classesRoot.merged = true;
        return &g_classesRoot;
    }
    uintptr_t value = reinterpret_cast<uintptr_t>(key);
    if (value == 0 || value % 16 != 0)
        return nullptr;
    size_t index = value / 16 - 1;
    if (index >= g_handles.size() || !g_handles[index].open)
        return nullptr;
    return &g_handles[index];
}

// The copy of a path of the merged view that one store holds, in the view
// that view names.
LONG FindCopy(Key* storeRoot, const std::string& path, REGSAM view, bool openLink, Key** key)
{
    // Most user stores hold few classes; most here, none.
    if (storeRoot == UserRoot() && storeRoot->children.empty())
        return ERROR_FILE_NOT_FOUND;
    return Walk(ViewStart(storeRoot, path.c_str(), view), path.c_str(), openLink, key);
}

// A path of the merged view: the user's copy where that store holds one,
// else the machine's.
LONG FindShown(const std::string& path, REGSAM view, bool openLink, Key** key, bool* user)
{
    *user = FindCopy(UserRoot(), path, view, openLink, key) == ERROR_SUCCESS;
    return *user ? ERROR_SUCCESS : FindCopy(Root(), path, view, openLink, key);
}

// The key a merged handle reads now: the user's copy it is bound to, the
// user's copy that has appeared since, or the machine's.
LONG ShownKey(Handle* h, Key** key)
{
    Key* user;
    if (!h->boundToUser && h != &g_classesRoot &&
        FindCopy(UserRoot(), h->path, h->view, h->openLink, &user) == ERROR_SUCCESS) {
        *key = user;
        return ERROR_SUCCESS;
    }
    *key = h->key;
    return h->key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

// Resolves a handle to the key it reads, the access it was opened with,
// and its own record (null for the hives' predefined handles).
LONG KeyOfHandle(HKEY handle, Key** key, REGSAM* access, Handle** found)
{
    *found = nullptr;
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CURRENT_USER) {
        *key = handle == HKEY_LOCAL_MACHINE ? MachineTop() : UserTop();
        *access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    Handle* h = FindHandle(handle);
    if (h == nullptr)
        return ERROR_INVALID_HANDLE;
    *found = h;
    *access = h->access;
    if (h->merged)
        return ShownKey(h, key);
    if (h->key->deleted)
        return ERROR_KEY_DELETED;
    *key = h->key;
    return ERROR_SUCCESS;
}

std::string NameOfHandle(HKEY handle)
{
    if (IsPredefined(handle))
        return std::string();
    Handle* h = FindHandle(handle);
    return h == nullptr ? std::string() : std::string(h->key->name);
}

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

const char* SubkeyName(LPCSTR subkey)
{
    return subkey == nullptr ? "" : subkey;
}

bool Grants(const Key* key, REGSAM wanted)
{
    REGSAM masked = wanted & ~kViewFlags;
    const bool readOnly = key->access == keystore::Access::kReadOnly || (g_machineReadOnly && InMachineHive(key));
    if (readOnly)
        return (masked & ~static_cast<REGSAM>(KEY_READ)) == 0;
    return true;
}

HKEY NewHandle(const Handle& made)
{
    size_t index;
    if (!g_freeHandles.empty()) {
        index = g_freeHandles.back();
        g_freeHandles.pop_back();
    } else {
        index = g_handles.size();
        g_handles.emplace_back();
    }
    g_handles[index] = made;
    g_handles[index].open = true;
    ++g_openHandles;
    return reinterpret_cast<HKEY>((index + 1) * 16);
}

std::string JoinPath(const std::string& path, const char* subkey)
{
    if (path.empty())
        return subkey;
    return *subkey == '\0' ? path : path + "\\" + subkey;
}

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
Target TargetOf(Key* from, Handle* h, LPCSTR subkey, REGSAM access)
{
    const char* name = SubkeyName(subkey);
    const std::string stored = FromAnsi(name, std::strlen(name));
    if (h == nullptr || !h->merged)
        return {from, nullptr, stored, access};
    return {from, h, JoinPath(h->path, stored.c_str()), h == &g_classesRoot ? access & kViewFlags : h->view};
}

// Finds the target's key: in one store, or the copy the merged view shows.
LONG FindTarget(const Target& target, bool openLink, Key** key, bool* user)
{
    *user = false;
    if (target.view != nullptr)
        return FindShown(target.path, target.flags, openLink, key, user);
    return Walk(ViewStart(target.from, target.path.c_str(), target.flags), target.path.c_str(), openLink, key);
}

// The merged handle's subkeys: both copies' together, each name once, the
// user's spelling where both have it, in case-blind order. Where one copy
// has none, the other's own list, which needs no copying.
LONG ShownChildren(Handle* h, const std::vector<Key*>** merged, const std::pmr::vector<Key*>** single)
{
    Key* user = nullptr;
    Key* machine = nullptr;
    if (h == &g_classesRoot) {
        user = UserRoot();
        machine = Root();
    } else if (h->boundToUser) {
        if (h->key->deleted)
            return ERROR_KEY_DELETED;
        user = h->key;
        if (FindCopy(Root(), h->path, h->view, h->openLink, &machine) != ERROR_SUCCESS)
            machine = nullptr;
    } else {
        if (FindCopy(UserRoot(), h->path, h->view, h->openLink, &user) != ERROR_SUCCESS)
            user = nullptr;
        machine = h->key->deleted ? nullptr : h->key;
        if (user == nullptr && machine == nullptr)
            return ERROR_KEY_DELETED;
    }
    *single = nullptr;
    if (user == nullptr || user->children.empty()) {
        *single = machine != nullptr ? &machine->children : &user->children;
        return ERROR_SUCCESS;
    }
    if (machine == nullptr || machine->children.empty()) {
        *single = &user->children;
        return ERROR_SUCCESS;
    }
    if (h->namesGeneration != TreeGeneration()) {
        h->names.clear();
        size_t i = 0;
        size_t j = 0;
        while (i < user->children.size() || j < machine->children.size()) {
            int order = i == user->children.size() ? 1 : j == machine->children.size() ? -1 : 0;
            if (order == 0)
                order = lstrcmpiA(user->children[i]->name.c_str(), machine->children[j]->name.c_str());
            if (order <= 0) {
                h->names.push_back(user->children[i++]);
                if (order == 0)
                    ++j;
            } else {
                h->names.push_back(machine->children[j++]);
            }
        }
        h->namesGeneration = TreeGeneration();
    }
    *merged = &h->names;
    return ERROR_SUCCESS;
}

// Like Wine's, a deletion reaches a link's target, never the link; through
// the merged view it deletes the copy the view shows.
LONG DeleteKeyInView(const char* operation, HKEY parent, LPCSTR subkey, REGSAM view)
{
    Key* from;
    Handle* h;
    LONG code = BeginCall(operation, [&] { return SubkeyName(subkey); }, parent, 0, &from, &h);
    if (code != ERROR_SUCCESS)
        return code;
    if (h != nullptr && h->merged)
        ++g_viewDeletions;
    Key* key;
    bool user;
    code = FindTarget(TargetOf(from, h, subkey, view), false, &key, &user);
    if (code != ERROR_SUCCESS)
        return code;
    if (key->parent == nullptr || IsStoreRoot(key) || key->access != keystore::Access::kFull ||
        (g_machineReadOnly && InMachineHive(key)) || !key->children.empty())
        return ERROR_ACCESS_DENIED;
    NoteDeleted(PathOf(key));
    RemoveChild(key->parent, key);
    key->deleted = true;
    return ERROR_SUCCESS;
}

}  // namespace

namespace keystore::internal {

void ClearCalls()
{
    g_classesRoot = Handle();
    g_machineReadOnly = false;
    g_viewDeletions = 0;
    g_handles.clear();
    g_freeHandles.clear();
    g_openHandles = 0;
    g_calls = 0;
    g_failAt = 0;
    g_callLog.clear();
    g_recordCalls = false;
}

}  // namespace keystore::internal

namespace keystore {

void DenyMachineWrites(bool deny)
{
    g_machineReadOnly = deny;
}

long DeletionsThroughClassesRoot()
{
    return g_viewDeletions;
}

void RecordCalls(bool on)
{
    g_recordCalls = on;
}

std::vector<std::string> CallLog()
{
    return g_callLog;
}

int OpenHandleCount()
{
    return g_openHandles;
}

long CallCount()
{
    return g_calls;
}

void FailCall(long failAt, LONG code)
{
    g_failAt = failAt == 0 ? 0 : g_calls + failAt;
    g_failCode = code;
}

}  // namespace keystore

namespace {

// What an open and a create share: the call begun, its target found, and
// the handle to be made of it; the code of the search, or of the call.
LONG BeginOpen(const char* operation, HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, Key** from,
               Target* target, Handle* made, bool* failedCall)
{
    Handle* h;
    const LONG code = BeginCall(operation, [&] { return SubkeyName(subkey); }, parent, 0, from, &h);
    *failedCall = code != ERROR_SUCCESS;
    if (*failedCall)
        return code;
    *target = TargetOf(*from, h, subkey, access);
    made->access = access;
    made->openLink = (options & REG_OPTION_OPEN_LINK) != 0;
    made->merged = target->view != nullptr;
    made->path = target->path;
    made->view = target->flags;
    return FindTarget(*target, made->openLink, &made->key, &made->boundToUser);
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    Key* from;
    Target target;
    Handle made;
    bool failedCall;
    const LONG code = BeginOpen("RegOpenKeyExA", parent, subkey, options, access, &from, &target, &made, &failedCall);
    if (code != ERROR_SUCCESS)
        return code;
    if (!Grants(made.key, access))
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(made);
    return ERROR_SUCCESS;
}

namespace {

// The subkey at index, as both forms of the enumeration find it.
LONG EnumeratedKey(const char* operation, HKEY handle, DWORD index, const Key** found)
{
    Key* key;
    Handle* h;
    LONG code = BeginCall(operation, [&] { return NameOfHandle(handle); }, handle, KEY_ENUMERATE_SUB_KEYS, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    const std::vector<Key*>* merged = nullptr;
    const std::pmr::vector<Key*>* single = &key->children;
    if (h != nullptr && h->merged) {
        code = ShownChildren(h, &merged, &single);
        if (code != ERROR_SUCCESS)
            return code;
    }
    const size_t count = single != nullptr ? single->size() : merged->size();
    if (index >= count)
        return ERROR_NO_MORE_ITEMS;
    *found = single != nullptr ? (*single)[index] : (*merged)[index];
    if (single != nullptr)
        (*found)->parent->lastEnumerated = index;
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies what a value query returns into the caller's room of *dataSize
// bytes, or says how much it needs.
LONG GiveData(const void* bytes, DWORD size, LPBYTE data, LPDWORD dataSize)
{
    if (data != nullptr) {
        if (dataSize == nullptr)
            return ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes, size);
    }
    if (dataSize != nullptr)
        *dataSize = size;
    return ERROR_SUCCESS;
}

// A link's value names its target as the platform's own path names it.
std::string NativePath(const Text& target)
{
    const char* rest;
    const bool user = StartOf(target.c_str(), &rest) == UserRoot();
    return std::string(user ? "\\Registry\\User\\S-1-5-21-1000_Classes\\" : "\\Registry\\Machine\\Software\\Classes\\") +
           rest;
}

// The default value (or a link's own) of the handle's key, as stored.
LONG StoredValue(const char* operation, HKEY handle, bool linkValueAsked, bool namedValue, DWORD* type,
                 std::string* stored)
{
    Key* key;
    Handle* h;
    const LONG code =
        BeginCall(operation, [&] { return NameOfHandle(handle); }, handle, KEY_QUERY_VALUE, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    // A key has its default value at most; a link opened as itself has only
    // the value that names its target.
    const bool linkValue = key->link && linkValueAsked;
    if (!linkValue && (namedValue || !key->hasValue))
        return ERROR_FILE_NOT_FOUND;
    *type = linkValue ? static_cast<DWORD>(REG_LINK) : key->type;
    *stored = linkValue ? NativePath(key->target) : std::string(key->data);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKeyA(HKEY handle, DWORD index, LPSTR name, DWORD nameSize)
{
    const Key* found;
    const LONG code = EnumeratedKey("RegEnumKeyA", handle, index, &found);
    if (code != ERROR_SUCCESS)
        return code;
    // The 8-bit form converts with best fit, as Windows does.
    const std::string ansi = ToAnsi(std::string(found->name), true, nullptr);
    if (ansi.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, ansi.c_str(), ansi.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyW(HKEY handle, DWORD index, LPWSTR name, DWORD nameSize)
{
    const Key* found;
    const LONG code = EnumeratedKey("RegEnumKeyW", handle, index, &found);
    if (code != ERROR_SUCCESS)
        return code;
    const std::wstring wide = ToWide(std::string(found->name));
    if (wide.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    DWORD storedType;
    std::string stored;
    const bool linkValueAsked = valueName != nullptr && lstrcmpiA(valueName, "SymbolicLinkValue") == 0;
    const LONG code = StoredValue("RegQueryValueExA", handle, linkValueAsked, valueName != nullptr && valueName[0] != '\0',
                                  &storedType, &stored);
    if (code != ERROR_SUCCESS)
        return code;
    if (type != nullptr)
        *type = storedType;
    if (!IsStringType(storedType))
        return GiveData(stored.data(), static_cast<DWORD>(stored.size()), data, dataSize);
    const std::string ansi = ToAnsi(stored, true, nullptr);
    return GiveData(ansi.data(), static_cast<DWORD>(ansi.size()), data, dataSize);
}

LONG RegQueryValueExW(HKEY handle, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    const std::wstring name = valueName == nullptr ? std::wstring() : std::wstring(valueName);
    DWORD storedType;
    std::string stored;
    const LONG code =
        StoredValue("RegQueryValueExW", handle, name == L"SymbolicLinkValue", !name.empty(), &storedType, &stored);
    if (code != ERROR_SUCCESS)
        return code;
    if (type != nullptr)
        *type = storedType;
    if (!IsStringType(storedType) && storedType != REG_LINK)
        return GiveData(stored.data(), static_cast<DWORD>(stored.size()), data, dataSize);
    const std::wstring wide = ToWide(stored);
    return GiveData(wide.data(), static_cast<DWORD>(wide.size() * sizeof(WCHAR)), data, dataSize);
}

LONG RegDeleteKeyA(HKEY parent, LPCSTR subkey)
{
    return DeleteKeyInView("RegDeleteKeyA", parent, subkey, 0);
}

LONG RegDeleteKeyExA(HKEY parent, LPCSTR subkey, REGSAM view, DWORD)
{
    return DeleteKeyInView("RegDeleteKeyExA", parent, subkey, view);
}

LONG RegCloseKey(HKEY handle)
{
    LONG code;
    const bool fail = InjectedFailure(&code, "RegCloseKey", [&] { return NameOfHandle(handle); });
    if (IsPredefined(handle))
        return fail ? code : ERROR_SUCCESS;
    Handle* h = FindHandle(handle);
    if (h == nullptr)
        return ERROR_INVALID_HANDLE;
    // Even a failed close gives the handle back, so an injected failure here
    // does not pass for a leak.
    h->open = false;
    h->names.clear();
    g_freeHandles.push_back(static_cast<size_t>(h - g_handles.data()));
    --g_openHandles;
    return fail ? code : ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY parent, LPCSTR subkey, DWORD, LPSTR, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition)
{
    Key* from;
    Target target;
    Handle made;
    bool failedCall;
    const LONG found = BeginOpen("RegCreateKeyExA", parent, subkey, options, access, &from, &target, &made, &failedCall);
    if (failedCall)
        return found;
    if (found != ERROR_SUCCESS) {
        // Through the merged view a new key goes to the machine's store.
        Key* start = ViewStart(target.view != nullptr ? Root() : from, target.path.c_str(), target.flags);
        if (g_machineReadOnly && InMachineHive(start))
            return ERROR_ACCESS_DENIED;
        made.key = CreatePath(start, target.path.c_str(), false);
        if (made.key == nullptr || made.key == start)
            return made.key == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER;
        made.boundToUser = false;
    }
    if (!Grants(made.key, access))
        return ERROR_ACCESS_DENIED;
    if (disposition != nullptr)
        *disposition = found == ERROR_SUCCESS ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewHandle(made);
    return ERROR_SUCCESS;
}

// The stand-in keeps a key's default value alone.
LONG RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    Key* key;
    Handle* h;
    const LONG code =
        BeginCall("RegSetValueExA", [&] { return NameOfHandle(handle); }, handle, KEY_SET_VALUE, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    if (valueName != nullptr && valueName[0] != '\0')
        return ERROR_INVALID_PARAMETER;
    if (!Grants(key, KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    key->hasValue = true;
    key->type = type;
    key->data.assign(reinterpret_cast<const char*>(data), size);
    if (IsStringType(type)) {
        const std::string stored = FromAnsi(reinterpret_cast<const char*>(data), size);
        key->data.assign(stored.data(), stored.size());
    }
    return ERROR_SUCCESS;
}
