// The stand-in's HKEY_CLASSES_ROOT: the merged view of the user's class
// store over the machine's, as a handle opened through it reads it.
#include <cstring>

#include "handles.h"

namespace keystore::internal {

namespace {

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

}  // namespace

LONG ShownKey(Handle* h, Key** key)
{
    Key* user;
    if (!h->boundToUser && !IsClassesRoot(h) &&
        FindCopy(UserRoot(), h->path, h->view, h->openLink, &user) == ERROR_SUCCESS) {
        *key = user;
        return ERROR_SUCCESS;
    }
    *key = h->key;
    return h->key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}


namespace {

std::string JoinPath(const std::string& path, const char* subkey)
{
    if (path.empty())
        return subkey;
    return *subkey == '\0' ? path : path + "\\" + subkey;
}

}  // namespace

Target TargetOf(Key* from, Handle* h, LPCSTR subkey, REGSAM access)
{
    const char* name = SubkeyName(subkey);
    return TargetOfStored(from, h, FromAnsi(name, std::strlen(name)), access);
}

Target TargetOfStored(Key* from, Handle* h, const std::string& stored, REGSAM access)
{
    if (h == nullptr || !h->merged)
        return {from, nullptr, stored, access};
    return {from, h, JoinPath(h->path, stored.c_str()), IsClassesRoot(h) ? access & kViewFlags : h->view};
}

LONG FindTarget(const Target& target, bool openLink, Key** key, bool* user)
{
    *user = false;
    if (target.view != nullptr)
        return FindShown(target.path, target.flags, openLink, key, user);
    return Walk(ViewStart(target.from, target.path.c_str(), target.flags), target.path.c_str(), openLink, key);
}

LONG ShownChildren(Handle* h, const std::vector<Key*>** merged, const std::pmr::vector<Key*>** single)
{
    Key* user = nullptr;
    Key* machine = nullptr;
    if (IsClassesRoot(h)) {
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

}  // namespace keystore::internal
