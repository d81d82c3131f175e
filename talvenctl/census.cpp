// The classes of both registry views that name a type library, found in one
// pass for a whole run of talvenctl and kept up to date as it removes
// classes, so that many removals do not each pass over every class.
#include "census.h"

#include <cstdio>

#include "output.h"
#include "views.h"

namespace {

ResultCode Note(const ClassKey& user, const char* library, void* context)
{
    static_cast<Census*>(context)->users.push_back({user.clsid, user.view, user.store, library, user.spelt});
    return ERROR_SUCCESS;
}

// A kept tree as plans and removals print it.
std::string KeptLine(const char* tree, ClassStore treeStore, const ClassKey& user)
{
    std::string line = KeyIn(treeStore, tree) + ": still named by " + user.clsid + " in " + ViewName(user.view);
    // Said where it is not the store the tree is in.
    if (user.store != treeStore)
        line += std::string(" of the ") + StoreName(user.store) + "'s store";
    return line;
}

void NoteStore(ClassStore store, void* context)
{
    static_cast<WatchNotes*>(context)->store = store;
}

void NoteKept(const char* tree, const ClassKey& user, void* context)
{
    WatchNotes* notes = static_cast<WatchNotes*>(context);
    notes->kept.push_back(KeptLine(tree, notes->store, user));
}

ResultCode AskNotedCensus(const char* library, const ClassKey& removed, char* user, REGSAM* userView,
                          ClassStore* userStore, void* context)
{
    return AskCensus(*static_cast<WatchNotes*>(context)->census, library, removed, user, userView, userStore);
}

ResultCode ShowOwner(HKEY key, const char* path, KeyVisit visit, void* context)
{
    const WatchNotes* notes = static_cast<WatchNotes*>(context);
    return notes->keys(key, path, visit, notes->owner);
}

}  // namespace

bool TakeCensusOrSay(const Scope& scope, Census* census)
{
    const ResultCode counted = TakeCensus(scope, census);
    if (counted != ERROR_SUCCESS)
        Say(stderr, "talvenctl: cannot tell which classes use which library: %s; nothing done\n",
                     Reason(counted, "").c_str());
    return counted == ERROR_SUCCESS;
}

ResultCode TakeCensus(const Scope& scope, Census* census)
{
    census->users.clear();
    census->working = FindViews(scope).working;
    return FindLibraryUsers(scope, Note, census);
}

void ForgetClass(Census* census, const std::string& clsid, ClassStore store)
{
    std::vector<LibraryUser>& users = census->users;
    for (size_t i = 0; i < users.size();) {
        if (users[i].spelt && users[i].view == census->working && users[i].store == store &&
            lstrcmpiA(users[i].clsid.c_str(), clsid.c_str()) == 0)
            users.erase(users.begin() + static_cast<long>(i));
        else
            ++i;
    }
}

ResultCode AskCensus(const Census& census, const char* library, const ClassKey& removed, char* user,
                     REGSAM* userView, ClassStore* userStore)
{
    user[0] = '\0';
    for (const LibraryUser& each : census.users) {
        if (lstrcmpiA(each.library.c_str(), library) != 0)
            continue;
        if (each.spelt && each.view == removed.view && each.store == removed.store &&
            lstrcmpiA(each.clsid.c_str(), removed.clsid) == 0)
            continue;  // the class itself
        lstrcpynA(user, each.clsid.c_str(), kKeyNameRoom);
        *userView = each.view;
        *userStore = each.store;
        break;
    }
    return ERROR_SUCCESS;
}

RemovalWatch NotingWatch(WatchNotes* notes)
{
    RemovalWatch watch = {};
    watch.keys = notes->keys != nullptr ? ShowOwner : nullptr;
    watch.kept = NoteKept;
    watch.users = AskNotedCensus;
    watch.store = NoteStore;
    watch.context = notes;
    return watch;
}
