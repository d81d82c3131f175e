// The string routines of the platform that the logic uses, on bytes as
// the 8-bit calls give them; lstrcmpiA folds case as the store's names do.
#include <cstring>

#include "store.h"

using keystore::internal::Fold;

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

LPSTR lstrcpynA(LPSTR to, LPCSTR from, int room)
{
    if (room <= 0)
        return to;
    int i = 0;
    for (; i < room - 1 && from[i] != '\0'; ++i)
        to[i] = from[i];
    to[i] = '\0';
    return to;
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
