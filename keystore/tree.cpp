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
Key* g_root = nullptr;

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

Key* Root()
{
    if (g_root == nullptr)
        g_root = NewKey();
    return g_root;
}

void ClearTree()
{
    g_root = nullptr;
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
    for (; key != nullptr && key->parent != nullptr; key = key->parent)
        path = path.empty() ? std::string(key->name) : std::string(key->name) + "\\" + path;
    return path;
}

// Wine answers a chain that never ends, a link to itself for one, with 87.
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

}  // namespace keystore::internal
