// The stand-in key store: a tree of keys held in memory, with the Windows
// registry's semantics where the logic relies on them. Names match without
// regard to case and are enumerated as stored, in case-blind order, by index
// in constant time; paths skip empty names as Wine's registry does, so the
// logic cannot lean on a leniency the real registries do not share.
#include "keystore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <new>
#include <unordered_map>

namespace {

// Keys, their names, values and child lists all come from one arena, in the
// order they are made; a scan walks them in about that order, so its cost
// per key stays the same however large the registry grows.
using Text = std::pmr::string;

struct Key {
    explicit Key(std::pmr::memory_resource* arena) : name(arena), children(arena), data(arena), target(arena) {}
    Text name;
    Key* parent = nullptr;
    std::pmr::vector<Key*> children;  // in case-blind order of name, for enumeration by index
    // By case-folded name, made only for a key with many children, to open
    // one in constant time.
    std::pmr::unordered_map<Text, Key*>* byName = nullptr;
    bool hasValue = false;
    DWORD type = REG_NONE;
    Text data;
    bool link = false;
    Text target;  // a link's target, as a path from the root
    keystore::Access access = keystore::Access::kFull;
    bool deleted = false;
    size_t lastEnumerated = 0;  // where a scan most likely opens next
};

struct Handle {
    Key* key = nullptr;
    REGSAM access = 0;
    bool open = false;
};

constexpr size_t kManyChildren = 8;
std::unique_ptr<std::pmr::monotonic_buffer_resource> g_arena;  // deleted keys stay until Clear
Key* g_root = nullptr;
std::vector<Handle> g_handles;
std::vector<size_t> g_freeHandles;
int g_openHandles = 0;
long g_calls = 0;
std::vector<std::string> g_deleted;
std::vector<std::string> g_callLog;
bool g_recordCalls = false;
long g_failAt = 0;
LONG g_failCode = 0;

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

Key* NewKey()
{
    if (!g_arena)
        g_arena = std::make_unique<std::pmr::monotonic_buffer_resource>();
    return new (g_arena->allocate(sizeof(Key), alignof(Key))) Key(g_arena.get());
}

Key* Root()
{
    if (g_root == nullptr)
        g_root = NewKey();
    return g_root;
}

Text Folded(const char* name, size_t size)
{
    Text folded(name, size, g_arena.get());
    for (char& c : folded)
        c = Fold(c);
    return folded;
}

bool FoldedLess(const Text& a, const Text& b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const char fa = Fold(a[i]);
        const char fb = Fold(b[i]);
        if (fa != fb)
            return static_cast<unsigned char>(fa) < static_cast<unsigned char>(fb);
    }
    return a.size() < b.size();
}

std::pmr::vector<Key*>::iterator ChildSlot(Key* key, const Key* child)
{
    return std::lower_bound(key->children.begin(), key->children.end(), child,
                            [](const Key* a, const Key* b) { return FoldedLess(a->name, b->name); });
}

void AddChild(Key* key, Key* child)
{
    key->children.insert(ChildSlot(key, child), child);
    if (key->children.size() <= kManyChildren)
        return;
    if (key->byName == nullptr) {
        key->byName = new (g_arena->allocate(sizeof *key->byName, alignof(std::max_align_t)))
            std::pmr::unordered_map<Text, Key*>(g_arena.get());
        for (Key* each : key->children)
            (*key->byName)[Folded(each->name.data(), each->name.size())] = each;
    }
    (*key->byName)[Folded(child->name.data(), child->name.size())] = child;
}

void RemoveChild(Key* key, Key* child)
{
    key->children.erase(ChildSlot(key, child));
    if (key->byName != nullptr)
        key->byName->erase(Folded(child->name.data(), child->name.size()));
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
        path = path.empty() ? std::string(key->name) : std::string(key->name) + "\\" + path;
    return path;
}

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

// True when the child's name equals the name's size characters, without
// regard to case.
bool NameIs(const Key* child, const char* name, size_t size)
{
    if (child->name.size() != size)
        return false;
    for (size_t i = 0; i < size; ++i) {
        if (Fold(child->name[i]) != Fold(name[i]))
            return false;
    }
    return true;
}

// The child of key named by size characters at name. A scan opens the child
// it has just enumerated, so that one is tried first; a key with few
// children is searched in place; only a large one is hashed.
Key* FindNamedChild(Key* key, const char* name, size_t size)
{
    const std::pmr::vector<Key*>& children = key->children;
    if (key->lastEnumerated < children.size() && NameIs(children[key->lastEnumerated], name, size))
        return children[key->lastEnumerated];
    if (children.size() <= kManyChildren) {
        for (Key* child : children) {
            if (NameIs(child, name, size))
                return child;
        }
        return nullptr;
    }
    if (key->byName == nullptr)
        return nullptr;
    auto found = key->byName->find(Folded(name, size));
    return found == key->byName->end() ? nullptr : found->second;
}

constexpr int kMostLinkHops = 16;

LONG WalkFrom(Key* from, const char* path, bool openLink, int* hops, Key** found);

// Replaces a link by the key it names, link after link. Wine answers a chain
// that never ends, a link to itself for one, with 87.
LONG Follow(Key** key, int* hops)
{
    while ((*key)->link) {
        if (++*hops > kMostLinkHops)
            return ERROR_INVALID_PARAMETER;
        LONG code = WalkFrom(Root(), (*key)->target.c_str(), false, hops, key);
        if (code != ERROR_SUCCESS)
            return code;
    }
    return ERROR_SUCCESS;
}

// Follows a path of names joined by "\", skipping empty names as Wine does,
// and every link on the way; the last key stays the link itself when
// openLink asks for it, as REG_OPTION_OPEN_LINK does.
LONG WalkFrom(Key* from, const char* path, bool openLink, int* hops, Key** found)
{
    Key* key = from;
    for (const char* at = path; *at != '\0';) {
        const char* end = at;
        while (*end != '\0' && *end != '\\')
            ++end;
        if (end != at) {
            // Names below a link are looked up in its target.
            LONG code = Follow(&key, hops);
            if (code != ERROR_SUCCESS)
                return code;
            key = FindNamedChild(key, at, static_cast<size_t>(end - at));
            if (key == nullptr)
                return ERROR_FILE_NOT_FOUND;
        }
        at = *end == '\0' ? end : end + 1;
    }
    if (!openLink) {
        LONG code = Follow(&key, hops);
        if (code != ERROR_SUCCESS)
            return code;
    }
    *found = key;
    return ERROR_SUCCESS;
}

LONG Walk(Key* from, const char* path, bool openLink, Key** found)
{
    int hops = 0;
    return WalkFrom(from, path, openLink, &hops, found);
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
    Key* key;
    return Walk(Root(), path.c_str(), false, &key) == ERROR_SUCCESS ? key : nullptr;
}

void DumpKey(const Key* key, const std::string& path, std::vector<std::string>* out)
{
    for (const Key* child : key->children) {
        const std::string name(child->name);
        std::string childPath = path.empty() ? name : path + "\\" + name;
        std::string line = childPath;
        if (child->link)
            line += " -> " + std::string(child->target);
        if (child->hasValue)
            line += " = " + std::to_string(child->type) + ":" + std::string(child->data);
        out->push_back(line);
        DumpKey(child, childPath, out);
    }
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    Key* from;
    LONG code = BeginCall("RegOpenKeyExA", [&] { return SubkeyName(subkey); }, parent, 0, &from);
    if (code != ERROR_SUCCESS)
        return code;
    Key* key;
    code = Walk(from, SubkeyName(subkey), (options & REG_OPTION_OPEN_LINK) != 0, &key);
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
    Key* from;
    LONG code = BeginCall("RegDeleteKeyA", [&] { return SubkeyName(subkey); }, parent, 0, &from);
    if (code != ERROR_SUCCESS)
        return code;
    // Like Wine's, the deletion reaches a link's target, never the link.
    Key* key;
    code = Walk(from, SubkeyName(subkey), false, &key);
    if (code != ERROR_SUCCESS)
        return code;
    if (key == Root() || key->access != keystore::Access::kFull || !key->children.empty())
        return ERROR_ACCESS_DENIED;
    g_deleted.push_back(PathOf(key));
    RemoveChild(key->parent, key);
    key->deleted = true;
    return ERROR_SUCCESS;
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

namespace keystore {

void Clear()
{
    g_root = nullptr;
    g_arena.reset();  // keys are never destroyed one by one: the arena holds all they own
    g_handles.clear();
    g_freeHandles.clear();
    g_openHandles = 0;
    g_calls = 0;
    g_failAt = 0;
    g_deleted.clear();
    g_callLog.clear();
    g_recordCalls = false;
}

namespace {

// Creates the key at path and any missing keys above it, through links as
// the registry does; the last name is left as it is when it is a link and
// keepLink is set. Null where a link on the way leads nowhere.
Key* Create(const std::string& path, bool keepLink)
{
    Key* key = Root();
    const std::vector<std::string> names = SplitPath(path.c_str());
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        Key* child = FindNamedChild(key, name.c_str(), name.size());
        if (child == nullptr) {
            child = NewKey();
            child->name = name;
            child->parent = key;
            AddChild(key, child);
        }
        int hops = 0;
        if (!(keepLink && i + 1 == names.size()) && Follow(&child, &hops) != ERROR_SUCCESS)
            return nullptr;
        key = child;
    }
    return key;
}

}  // namespace

bool CreateKey(const std::string& path)
{
    Key* key = Create(path, false);
    return key != nullptr && key != Root();
}

bool CreateLink(const std::string& path, const std::string& target)
{
    if (ResolvePath(path) != nullptr)
        return false;
    Key* key = Create(path, true);
    if (key == nullptr || key == Root() || key->link || !key->children.empty() || key->hasValue)
        return false;
    key->link = true;
    key->target = target;
    return true;
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
    *data = std::string(key->data);
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
