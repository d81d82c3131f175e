// How talvenctl names stores, their keys and the registry views.
#include "output.h"

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
