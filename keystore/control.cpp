// The stand-in key store as tests and benchmarks lay it out and look at it.
#include "store.h"

using namespace keystore::internal;

namespace {

// The key a path names, in the store it names, or null; never a store's
// root.
Key* ResolvePath(const std::string& path, REGSAM view)
{
    const char* rest;
    Key* start = StartOf(path.c_str(), &rest);
    Key* key;
    if (Walk(ViewStart(start, rest, view), rest, false, &key) != ERROR_SUCCESS)
        return nullptr;
    return IsStoreRoot(key) ? nullptr : key;
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

// Creates the key at path and any missing keys above it, through links as
// the registry does; the last name is left as it is when it is a link and
// keepLink is set. Null where a link on the way leads nowhere, and for a
// store's root.
Key* Create(const std::string& path, bool keepLink, REGSAM view)
{
    const char* rest;
    Key* start = StartOf(path.c_str(), &rest);
    Key* key = CreatePath(ViewStart(start, rest, view), rest, keepLink);
    return key == nullptr || IsStoreRoot(key) ? nullptr : key;
}

}  // namespace

namespace keystore {

void Clear()
{
    ClearTree();
    ClearCalls();
    SetViews(Views::kOne);
    SetCodePage(CodePage::k1252);
}

bool CreateKey(const std::string& path, REGSAM view)
{
    return Create(path, false, view) != nullptr;
}

bool CreateLink(const std::string& path, const std::string& target, REGSAM view)
{
    if (ResolvePath(path, view) != nullptr)
        return false;
    Key* key = Create(path, true, view);
    if (key == nullptr || key->link || !key->children.empty() || key->hasValue)
        return false;
    key->link = true;
    key->target = target;
    return true;
}

bool SetDefault(const std::string& path, DWORD type, const std::string& data, REGSAM view)
{
    if (!CreateKey(path, view))
        return false;
    Key* key = ResolvePath(path, view);
    key->hasValue = true;
    key->type = type;
    key->data = data;
    return true;
}

bool SetAccess(const std::string& path, Access access, REGSAM view)
{
    Key* key = ResolvePath(path, view);
    if (key == nullptr)
        return false;
    key->access = access;
    return true;
}

bool RenameKey(const std::string& path, const std::string& newName, REGSAM view)
{
    const char* rest;
    Key* start = StartOf(path.c_str(), &rest);
    Key* key;
    if (Walk(ViewStart(start, rest, view), rest, true, &key) != ERROR_SUCCESS || IsStoreRoot(key) ||
        key->parent == nullptr || FindNamedChild(key->parent, newName.c_str(), newName.size()) != nullptr)
        return false;
    Key* parent = key->parent;
    RemoveChild(parent, key);
    key->name = newName;
    AddChild(parent, key);
    return true;
}

bool Exists(const std::string& path, REGSAM view)
{
    return ResolvePath(path, view) != nullptr;
}

bool GetDefault(const std::string& path, DWORD* type, std::string* data, REGSAM view)
{
    Key* key = ResolvePath(path, view);
    if (key == nullptr || !key->hasValue)
        return false;
    *type = key->type;
    *data = std::string(key->data);
    return true;
}

std::vector<std::string> Dump()
{
    std::vector<std::string> out;
    DumpKey(Root(), "", &out);
    DumpKey(UserRoot(), std::string(kUserClasses, sizeof kUserClasses - 2), &out);
    return out;
}

}  // namespace keystore
