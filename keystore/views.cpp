// The stand-in's registry views, as 64-bit Windows keeps them: the 64-bit
// view is the tree itself; the 32-bit view reads a name at the top of a
// class store from "Wow6432Node" where that key holds the name ("CLSID",
// "Interface", and the links "TypeLib" and "AppID" back to the shared
// keys), and from the shared key of that name otherwise, as Wine does. On a
// machine of one view the flags are ignored.
#include <cstring>

#include "store.h"

namespace keystore::internal {

namespace {

Views g_views = Views::kOne;

bool SameName(const char* a, size_t size, const char* b)
{
    if (std::strlen(b) != size)
        return false;
    for (size_t i = 0; i < size; ++i) {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

}  // namespace

Key* ViewStart(Key* from, const char* path, REGSAM access)
{
    if (!IsStoreRoot(from) || g_views == Views::kOne)
        return from;
    // No flag is the 32-bit view: this process is a 32-bit program.
    if ((access & KEY_WOW64_64KEY) != 0)
        return from;
    while (*path == '\\')
        ++path;
    size_t size = 0;
    while (path[size] != '\0' && path[size] != '\\')
        ++size;
    constexpr char kNode[] = "Wow6432Node";
    if (size == 0 || SameName(path, size, kNode))
        return from;
    Key* node = FindNamedChild(from, kNode, sizeof kNode - 1);
    return node != nullptr && FindNamedChild(node, path, size) != nullptr ? node : from;
}

bool TwoViews()
{
    return g_views == Views::kTwoFrom32;
}

}  // namespace keystore::internal

namespace keystore {

void SetViews(Views views)
{
    internal::g_views = views;
}

}  // namespace keystore
