// The stand-in's registry operations and string routines, with the
// platform's signatures and error codes: every call counted, logged when
// asked, failed when it is the one chosen, and checked against the access
// its handle was opened with.
#include <cstring>

#include "store.h"

using namespace keystore::internal;

namespace {

struct Handle {
    Key* key = nullptr;
    REGSAM access = 0;
    bool open = false;
};

std::vector<Handle> g_handles;
std::vector<size_t> g_freeHandles;
int g_openHandles = 0;
long g_calls = 0;
std::vector<std::string> g_callLog;
bool g_recordCalls = false;
long g_failAt = 0;
LONG g_failCode = 0;

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

bool IsRootHandle(HKEY key)
{
    return key == HKEY_CLASSES_ROOT;
}

Handle* FindHandle(HKEY key)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(key);
    if (value == 0 || value % 16 != 0)
        return nullptr;
    size_t index = value / 16 - 1;
    if (index >= g_handles.size() || !g_handles[index].open)
        return nullptr;
    return &g_handles[index];
}

// Resolves a handle to its key and the access it was opened with.
LONG KeyOfHandle(HKEY handle, Key** key, REGSAM* access)
{
    if (IsRootHandle(handle)) {
        *key = Root();
        *access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    Handle* h = FindHandle(handle);
    if (h == nullptr)
        return ERROR_INVALID_HANDLE;
    if (h->key->deleted)
        return ERROR_KEY_DELETED;
    *key = h->key;
    *access = h->access;
    return ERROR_SUCCESS;
}

std::string NameOfHandle(HKEY handle)
{
    Handle* h = FindHandle(handle);
    return h == nullptr ? std::string() : std::string(h->key->name);
}

// What every call on a key does first: counts the call (failing it when it
// is the one to fail), resolves the handle to its key, and checks that the
// handle was opened with the access the call needs.
template <typename Name>
LONG BeginCall(const char* operation, Name name, HKEY handle, REGSAM needed, Key** key)
{
    LONG code;
    if (InjectedFailure(&code, operation, name))
        return code;
    REGSAM access;
    code = KeyOfHandle(handle, key, &access);
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
    REGSAM masked = wanted & ~static_cast<REGSAM>(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (key->access == keystore::Access::kReadOnly)
        return (masked & ~static_cast<REGSAM>(KEY_READ)) == 0;
    return true;
}

HKEY NewHandle(Key* key, REGSAM access)
{
    size_t index;
    if (!g_freeHandles.empty()) {
        index = g_freeHandles.back();
        g_freeHandles.pop_back();
    } else {
        index = g_handles.size();
        g_handles.emplace_back();
    }
    g_handles[index] = Handle{key, access, true};
    ++g_openHandles;
    return reinterpret_cast<HKEY>((index + 1) * 16);
}

// Like Wine's, a deletion reaches a link's target, never the link.
LONG DeleteKeyInView(const char* operation, HKEY parent, LPCSTR subkey, REGSAM view)
{
    Key* from;
    LONG code = BeginCall(operation, [&] { return SubkeyName(subkey); }, parent, 0, &from);
    if (code != ERROR_SUCCESS)
        return code;
    Key* key;
    code = Walk(ViewStart(from, SubkeyName(subkey), view), SubkeyName(subkey), false, &key);
    if (code != ERROR_SUCCESS)
        return code;
    if (key == Root() || key->access != keystore::Access::kFull || !key->children.empty())
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

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    Key* from;
    LONG code = BeginCall("RegOpenKeyExA", [&] { return SubkeyName(subkey); }, parent, 0, &from);
    if (code != ERROR_SUCCESS)
        return code;
    Key* key;
    code = Walk(ViewStart(from, SubkeyName(subkey), access), SubkeyName(subkey),
                (options & REG_OPTION_OPEN_LINK) != 0, &key);
    if (code != ERROR_SUCCESS)
        return code;
    if (!Grants(key, access))
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(key, access);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY handle, DWORD index, LPSTR name, DWORD nameSize)
{
    Key* key;
    const LONG code =
        BeginCall("RegEnumKeyA", [&] { return NameOfHandle(handle); }, handle, KEY_ENUMERATE_SUB_KEYS, &key);
    if (code != ERROR_SUCCESS)
        return code;
    if (index >= key->children.size())
        return ERROR_NO_MORE_ITEMS;
    key->lastEnumerated = index;
    const Text& found = key->children[index]->name;
    if (found.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize)
{
    Key* key;
    const LONG code =
        BeginCall("RegQueryValueExA", [&] { return NameOfHandle(handle); }, handle, KEY_QUERY_VALUE, &key);
    if (code != ERROR_SUCCESS)
        return code;
    // A key has its default value at most; a link opened as itself has only
    // the value that names its target.
    const bool linkValue = key->link && valueName != nullptr && lstrcmpiA(valueName, "SymbolicLinkValue") == 0;
    if (!linkValue && ((valueName != nullptr && valueName[0] != '\0') || !key->hasValue))
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = linkValue ? static_cast<DWORD>(REG_LINK) : key->type;
    const Text& stored = linkValue ? key->target : key->data;
    const DWORD size = static_cast<DWORD>(stored.size());
    if (data != nullptr) {
        if (dataSize == nullptr)
            return ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, stored.data(), size);
    }
    if (dataSize != nullptr)
        *dataSize = size;
    return ERROR_SUCCESS;
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
    if (IsRootHandle(handle))
        return fail ? code : ERROR_SUCCESS;
    Handle* h = FindHandle(handle);
    if (h == nullptr)
        return ERROR_INVALID_HANDLE;
    // Even a failed close gives the handle back, so an injected failure here
    // does not pass for a leak.
    h->open = false;
    g_freeHandles.push_back(static_cast<size_t>(h - g_handles.data()));
    --g_openHandles;
    return fail ? code : ERROR_SUCCESS;
}

int lstrlenA(LPCSTR text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

LPSTR lstrcpyA(LPSTR to, LPCSTR from)
{
    return std::strcpy(to, from);
}

LPSTR lstrcatA(LPSTR to, LPCSTR from)
{
    return std::strcat(to, from);
}

int lstrcmpiA(LPCSTR a, LPCSTR b)
{
    for (;; ++a, ++b) {
        const char fa = Fold(*a);
        const char fb = Fold(*b);
        if (fa != fb)
            return static_cast<unsigned char>(fa) < static_cast<unsigned char>(fb) ? -1 : 1;
        if (fa == '\0')
            return 0;
    }
}
