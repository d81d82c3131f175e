// The classes of both registry views that name a type library, found in one
// pass for a whole run of talvenctl and kept up to date as it removes
// classes, so that many removals do not each pass over every class.
#include "talvenctl.h"

namespace {

ResultCode Note(const char* clsid, REGSAM view, const char* library, void* context)
{
    static_cast<Census*>(context)->users.push_back({clsid, view, library});
    return ERROR_SUCCESS;
}

}  // namespace

ResultCode TakeCensus(Census* census)
{
    census->users.clear();
    census->working = FindViews().working;
    return FindLibraryUsers(Note, census);
}

void ForgetClass(Census* census, const std::string& clsid)
{
    std::vector<LibraryUser>& users = census->users;
    for (size_t i = 0; i < users.size();) {
        if (users[i].view == census->working && lstrcmpiA(users[i].clsid.c_str(), clsid.c_str()) == 0)
            users.erase(users.begin() + static_cast<long>(i));
        else
            ++i;
    }
}

ResultCode AskCensus(const Census& census, const char* library, const char* clsid, REGSAM workingView, char* user,
                     REGSAM* userView)
{
    user[0] = '\0';
    for (const LibraryUser& each : census.users) {
        if (lstrcmpiA(each.library.c_str(), library) != 0)
            continue;
        if (each.view == workingView && lstrcmpiA(each.clsid.c_str(), clsid) == 0)
            continue;  // the class itself
        lstrcpynA(user, each.clsid.c_str(), kClassNameRoom);
        *userView = each.view;
        break;
    }
    return ERROR_SUCCESS;
}

std::string KeptLine(const char* tree, const char* user, REGSAM userView)
{
    return std::string(tree) + ": still named by " + user + " in " + ViewName(userView);
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
