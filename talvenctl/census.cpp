// The classes of both registry views that name a type library, found in one
// pass for a whole run of talvenctl and kept up to date as it removes
// classes, so that many removals do not each pass over every class.
#include "talvenctl.h"

namespace {

ResultCode Note(const ClassKey& user, const char* library, void* context)
{
    static_cast<Census*>(context)->users.push_back({user.clsid, user.view, user.store, library});
    return ERROR_SUCCESS;
}

}  // namespace

bool TakeCensusOrSay(Census* census)
{
    const ResultCode counted = TakeCensus(census);
    if (counted != ERROR_SUCCESS)
        std::fprintf(stderr, "talvenctl: cannot tell which classes use which library: %s; nothing done\n",
                     Reason(counted, "").c_str());
    return counted == ERROR_SUCCESS;
}

ResultCode TakeCensus(Census* census)
{
    census->users.clear();
    census->working = FindViews().working;
    return FindLibraryUsers(Note, census);
}

void ForgetClass(Census* census, const std::string& clsid, ClassStore store)
{
    std::vector<LibraryUser>& users = census->users;
    for (size_t i = 0; i < users.size();) {
        if (users[i].view == census->working && users[i].store == store &&
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
        if (each.view == removed.view && each.store == removed.store &&
            lstrcmpiA(each.clsid.c_str(), removed.clsid) == 0)
            continue;  // the class itself
        lstrcpynA(user, each.clsid.c_str(), kClassNameRoom);
        *userView = each.view;
        *userStore = each.store;
        break;
    }
    return ERROR_SUCCESS;
}

const char* StoreName(ClassStore store)
{
    return store == kUserStore ? "user" : "machine";
}

const char* StoreRootName(ClassStore store)
{
    return store == kUserStore ? "HKEY_CURRENT_USER\\Software\\Classes" : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
}

const char* StoreShortName(ClassStore store)
{
    return store == kUserStore ? "HKCU\\Software\\Classes" : "HKLM\\SOFTWARE\\Classes";
}

std::string KeyIn(ClassStore store, const std::string& path)
{
    return std::string(StoreShortName(store)) + "\\" + path;
}

std::string KeptLine(const char* tree, ClassStore treeStore, const ClassKey& user)
{
    std::string line = KeyIn(treeStore, tree) + ": still named by " + user.clsid + " in " + ViewName(user.view);
    // Said where it is not the store the tree is in.
    if (user.store != treeStore)
        line += std::string(" of the ") + StoreName(user.store) + "'s store";
    return line;
}

std::string ViewName(REGSAM view)
{
    if (view == KEY_WOW64_32KEY)
        return "the 32-bit view";
    if (view == KEY_WOW64_64KEY)
        return "the 64-bit view";
    return "the registry";
}

int ViewBits(REGSAM view)
{
    if (view == KEY_WOW64_64KEY)
        return 64;
    if (view == KEY_WOW64_32KEY)
        return 32;
    return static_cast<int>(sizeof(void*) * 8);  // one view: the program's own
}
