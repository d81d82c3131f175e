// The stand-in's tree of keys: names matched without regard to case and
// enumerated as stored, in case-blind order, by index in constant time;
// paths that skip empty names as Wine's registry does, and links followed
// as the registry follows them.
#include "store.h"

#include <algorithm>
#include <memory>
#include <new>

namespace keystore::internal {

namespace {

constexpr size_t kManyChildren = 8;
constexpr int kMostLinkHops = 16;

std::unique_ptr<std::pmr::monotonic_buffer_resource> g_arena;  // deleted keys stay until Clear
Key* g_machineTop = nullptr;
Key* g_userTop = nullptr;
Key* g_root = nullptr;
Key* g_userRoot = nullptr;
long g_generation = 0;

Key* NewKey()
{
    if (!g_arena)
        g_arena = std::make_unique<std::pmr::monotonic_buffer_resource>();
    return new (g_arena->allocate(sizeof(Key), alignof(Key))) Key(g_arena.get());
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

LONG WalkFrom(Key* from, const char* path, bool openLink, int* hops, Key** found);

}  // namespace

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

namespace {

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, each with its class store at
// "Software\Classes".
void MakeHives()
{
    if (g_root != nullptr)
        return;
    g_machineTop = NewKey();
    g_machineTop->name = "HKLM";
    g_root = NewChild(NewChild(g_machineTop, "Software"), "Classes");
    g_userTop = NewKey();
    g_userTop->name = "HKCU";
    g_userRoot = NewChild(NewChild(g_userTop, "Software"), "Classes");
}

}  // namespace

Key* Root()
{
    MakeHives();
    return g_root;
}

Key* UserRoot()
{
    MakeHives();
    return g_userRoot;
}

Key* MachineTop()
{
    MakeHives();
    return g_machineTop;
}

Key* UserTop()
{
    MakeHives();
    return g_userTop;
}

bool IsStoreRoot(const Key* key)
{
    return key == Root() || key == UserRoot();
}

bool InMachineHive(const Key* key)
{
    while (key->parent != nullptr)
        key = key->parent;
    return key == MachineTop();
}

long TreeGeneration()
{
    return g_generation;
}

void ClearTree()
{
    g_root = nullptr;
    g_userRoot = nullptr;
    g_machineTop = nullptr;
    g_userTop = nullptr;
    ++g_generation;
    g_arena.reset();  // keys are never destroyed one by one: the arena holds all they own
}

Key* NewChild(Key* parent, const std::string& name)
{
    Key* child = NewKey();
    child->name = name;
    child->parent = parent;
    AddChild(parent, child);
    return child;
}

void AddChild(Key* key, Key* child)
{
    ++g_generation;
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
    ++g_generation;
    key->children.erase(ChildSlot(key, child));
    if (key->byName != nullptr)
        key->byName->erase(Folded(child->name.data(), child->name.size()));
}

// A scan opens the child it has just enumerated, so that one is tried
// first; a key with few children is searched in place; only a large one is
// hashed.
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
    for (; key != nullptr; key = key->parent) {
        std::string above;
        if (key == g_root)
            return path;
        if (key == g_userRoot)
            above = std::string(keystore::kUserClasses, sizeof keystore::kUserClasses - 2);
        else
            above = std::string(key->name);
        path = path.empty() ? above : above + "\\" + path;
        if (key == g_userRoot || key->parent == nullptr)
            return path;
    }
    return path;
}

Key* StartOf(const char* path, const char** rest)
{
    const size_t size = sizeof keystore::kUserClasses - 1;
    for (size_t i = 0; i < size; ++i) {
        if (Fold(path[i]) != Fold(keystore::kUserClasses[i])) {
            *rest = path;
            return Root();
        }
    }
    *rest = path + size;
    return UserRoot();
}

// Wine answers a chain that never ends, a link to itself for one, with 87.
LONG Follow(Key** key, int* hops)
{
    while ((*key)->link) {
        if (++*hops > kMostLinkHops)
            return ERROR_INVALID_PARAMETER;
        const char* rest;
        Key* start = StartOf((*key)->target.c_str(), &rest);
        LONG code = WalkFrom(start, rest, false, hops, key);
        if (code != ERROR_SUCCESS)
            return code;
    }
    return ERROR_SUCCESS;
}

namespace {

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

}  // namespace

LONG Walk(Key* from, const char* path, bool openLink, Key** found)
{
    int hops = 0;
    return WalkFrom(from, path, openLink, &hops, found);
}

Key* CreatePath(Key* from, const char* path, bool keepLink)
{
    Key* key = from;
    const std::vector<std::string> names = SplitPath(path);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        int hops = 0;
        if (Follow(&key, &hops) != ERROR_SUCCESS)
            return nullptr;
        Key* child = FindNamedChild(key, name.c_str(), name.size());
        if (child == nullptr)
            child = NewChild(key, name);
        if (!(keepLink && i + 1 == names.size()) && Follow(&child, &hops) != ERROR_SUCCESS)
            return nullptr;
        key = child;
    }
    return key;
}

}  // namespace keystore::internal
