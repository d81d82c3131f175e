// The stand-in key store: a tree of keys held in memory, with the Windows
// registry's semantics where the logic relies on them. Names match without
// regard to case and are enumerated as stored, in case-blind order, by index
// in constant time; paths skip empty names as Wine's registry does, so the
// logic cannot lean on a leniency the real registries do not share.
#include "key_store.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_map>

namespace {

struct Key {
    std::string name;
    std::string folded;
    Key* parent = nullptr;
    std::vector<Key*> children;  // sorted by folded name, for enumeration by index
    std::unordered_map<std::string, Key*> byName;  // by folded name, for opening in constant time
    bool hasValue = false;
    DWORD type = REG_NONE;
    std::string data;
    keystore::Access access = keystore::Access::kFull;
    bool deleted = false;
};

struct Handle {
    Key* key = nullptr;
    REGSAM access = 0;
    bool open = false;
};

std::deque<Key> g_keys;  // stable addresses; deleted keys stay until Clear
Key* g_root = nullptr;
std::vector<Handle> g_handles;
std::vector<size_t> g_freeHandles;
int g_openHandles = 0;
long g_calls = 0;
std::vector<std::string> g_deleted;
std::vector<std::string> g_callLog;
long g_failAt = 0;
LONG g_failCode = 0;

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(const std::string& name)
{
    std::string folded = name;
    for (char& c : folded)
        c = Fold(c);
    return folded;
}

Key* Root()
{
    if (g_root == nullptr) {
        g_keys.emplace_back();
        g_root = &g_keys.back();
    }
    return g_root;
}

std::vector<Key*>::iterator ChildSlot(Key* key, const std::string& folded)
{
    return std::lower_bound(key->children.begin(), key->children.end(), folded,
                            [](const Key* child, const std::string& f) { return child->folded < f; });
}

Key* FindChild(Key* key, const std::string& folded)
{
    auto found = key->byName.find(folded);
    return found == key->byName.end() ? nullptr : found->second;
}

// Splits a path at "\", skipping empty names.
std::vector<std::string> SplitPath(const char* path)
{
    std::vector<std::string> names;
    std::string current;
    for (const char* at = path; *at != '\0'; ++at) {
        if (*at == '\\') {
            if (!current.empty())
                names.push_back(current);
            current.clear();
        } else {
            current += *at;
        }
    }
    if (!current.empty())
        names.push_back(current);
    return names;
}

std::string PathOf(const Key* key)
{
    std::string path;
    for (; key != nullptr && key->parent != nullptr; key = key->parent)
        path = path.empty() ? key->name : key->name + "\\" + path;
    return path;
}

// Counts and logs the call and tells whether it is the one to fail.
bool InjectedFailure(LONG* code, const char* operation, const std::string& name)
{
    ++g_calls;
    g_callLog.push_back(std::string(operation) + " " + name);
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
    return h == nullptr ? std::string() : h->key->name;
}

Key* Walk(Key* from, const char* path)
{
    Key* key = from;
    for (const std::string& name : SplitPath(path)) {
        key = FindChild(key, Folded(name));
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

bool Grants(const Key* key, REGSAM wanted)
{
    REGSAM masked = wanted & ~static_cast<REGSAM>(0x300);  // WOW64 view flags
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

Key* ResolvePath(const std::string& path)
{
    return Walk(Root(), path.c_str());
}

void DumpKey(const Key* key, const std::string& path, std::vector<std::string>* out)
{
    for (const Key* child : key->children) {
        std::string childPath = path.empty() ? child->name : path + "\\" + child->name;
        std::string line = childPath;
        if (child->hasValue)
            line += " = " + std::to_string(child->type) + ":" + child->data;
        out->push_back(line);
        DumpKey(child, childPath, out);
    }
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD, REGSAM access, PHKEY result)
{
    LONG code;
    if (InjectedFailure(&code, "RegOpenKeyExA", subkey == nullptr ? "" : subkey))
        return code;
    Key* from;
    REGSAM parentAccess;
    code = KeyOfHandle(parent, &from, &parentAccess);
    if (code != ERROR_SUCCESS)
        return code;
    Key* key = Walk(from, subkey == nullptr ? "" : subkey);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (!Grants(key, access))
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(key, access);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY handle, DWORD index, LPSTR name, DWORD nameSize)
{
    LONG code;
    if (InjectedFailure(&code, "RegEnumKeyA", NameOfHandle(handle)))
        return code;
    Key* key;
    REGSAM access;
    code = KeyOfHandle(handle, &key, &access);
    if (code != ERROR_SUCCESS)
        return code;
    if ((access & KEY_ENUMERATE_SUB_KEYS) == 0)
        return ERROR_ACCESS_DENIED;
    if (index >= key->children.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& found = key->children[index]->name;
    if (found.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize)
{
    LONG code;
    if (InjectedFailure(&code, "RegQueryValueExA", NameOfHandle(handle)))
        return code;
    Key* key;
    REGSAM access;
    code = KeyOfHandle(handle, &key, &access);
    if (code != ERROR_SUCCESS)
        return code;
    if ((access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if ((valueName != nullptr && valueName[0] != '\0') || !key->hasValue)
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = key->type;
    const DWORD size = static_cast<DWORD>(key->data.size());
    if (data != nullptr) {
        if (dataSize == nullptr)
            return ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, key->data.data(), size);
    }
    if (dataSize != nullptr)
        *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY parent, LPCSTR subkey)
{
    LONG code;
    if (InjectedFailure(&code, "RegDeleteKeyA", subkey == nullptr ? "" : subkey))
        return code;
    Key* from;
    REGSAM access;
    code = KeyOfHandle(parent, &from, &access);
    if (code != ERROR_SUCCESS)
        return code;
    Key* key = Walk(from, subkey == nullptr ? "" : subkey);
    if (key == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (key == Root() || key->access != keystore::Access::kFull || !key->children.empty())
        return ERROR_ACCESS_DENIED;
    g_deleted.push_back(PathOf(key));
    Key* up = key->parent;
    up->children.erase(ChildSlot(up, key->folded));
    up->byName.erase(key->folded);
    key->deleted = true;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY handle)
{
    LONG code;
    const bool fail = InjectedFailure(&code, "RegCloseKey", NameOfHandle(handle));
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

namespace keystore {

void Clear()
{
    g_keys.clear();
    g_root = nullptr;
    g_handles.clear();
    g_freeHandles.clear();
    g_openHandles = 0;
    g_calls = 0;
    g_failAt = 0;
    g_deleted.clear();
    g_callLog.clear();
}

bool CreateKey(const std::string& path)
{
    Key* key = Root();
    for (const std::string& name : SplitPath(path.c_str())) {
        std::string folded = Folded(name);
        Key* child = FindChild(key, folded);
        if (child == nullptr) {
            g_keys.emplace_back();
            child = &g_keys.back();
            child->name = name;
            child->folded = folded;
            child->parent = key;
            key->children.insert(ChildSlot(key, folded), child);
            key->byName[folded] = child;
        }
        key = child;
    }
    return key != Root();
}

bool SetDefault(const std::string& path, DWORD type, const std::string& data)
{
    if (!CreateKey(path))
        return false;
    Key* key = ResolvePath(path);
    key->hasValue = true;
    key->type = type;
    key->data = data;
    return true;
}

bool SetAccess(const std::string& path, Access access)
{
    Key* key = ResolvePath(path);
    if (key == nullptr || key == Root())
        return false;
    key->access = access;
    return true;
}

bool Exists(const std::string& path)
{
    Key* key = ResolvePath(path);
    return key != nullptr && key != Root();
}

bool GetDefault(const std::string& path, DWORD* type, std::string* data)
{
    Key* key = ResolvePath(path);
    if (key == nullptr || key == Root() || !key->hasValue)
        return false;
    *type = key->type;
    *data = key->data;
    return true;
}

std::vector<std::string> Dump()
{
    std::vector<std::string> out;
    DumpKey(Root(), "", &out);
    return out;
}

std::vector<std::string> DeletedKeys()
{
    return g_deleted;
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
