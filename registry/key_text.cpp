#include "key_text.h"
#include "exact_text.h"

ResultCode QueryDefaultText(HKEY key, char* room, DWORD roomSize)
{
    DWORD type = 0;
    DWORD size = roomSize;
    ResultCode result = RegQueryValueExA(key, "", nullptr, &type,
                                         reinterpret_cast<LPBYTE>(room), &size);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;
    // The registry returns the bytes as stored, which need not end in a NUL.
    if (size == 0 || room[size - 1] != '\0') {
        if (size >= roomSize)
            return ERROR_MORE_DATA;
        room[size] = '\0';
    }
    return ERROR_SUCCESS;
}

bool IsKeyPath(const char* path)
{
    if (path[0] == '\0' || path[0] == '\\')
        return false;
    for (const char* at = path; *at != '\0'; at = NextChar(at)) {
        if (*at == '\\' && (at[1] == '\\' || at[1] == '\0'))
            return false;
    }
    return true;
}

bool HoldsChar(const char* text, char c)
{
    for (; *text != '\0'; text = NextChar(text)) {
        if (*text == c)
            return true;
    }
    return false;
}

bool FindClassName(const char* line, int* start, int* end)
{
    int first = -1;
    int last = -1;
    for (const char* at = line; *at != '\0'; at = NextChar(at)) {
        if (*at == '\t') {
            first = first < 0 ? static_cast<int>(at - line) : first;
            last = static_cast<int>(at - line);
        }
    }
    *start = first + 1;
    *end = last;
    return first != last;
}

// A symbolic link opened as itself holds the value that names its target.
// Opening, enumerating or deleting through a link reaches the target, which
// is never the control's, so a key holding that value is refused, and so is
// one that cannot tell.
ResultCode RefuseLink(HKEY key)
{
    const ResultCode found = RegQueryValueExA(key, kLinkValueName, nullptr, nullptr, nullptr, nullptr);
    if (found == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return found == ERROR_SUCCESS || found == ERROR_MORE_DATA ? ERROR_CANT_RESOLVE_FILENAME : found;
}

bool SameBytes(const char* a, const char* b)
{
    for (; *a == *b; ++a, ++b) {
        if (*a == '\0')
            return true;
    }
    return false;
}

ResultCode ReadSubkeyText(HKEY key, const char* subkey, REGSAM flag, SubkeyRead how, char* room, DWORD roomSize)
{
    room[0] = '\0';
    HKEY sub;
    const DWORD options = how == kAsShown ? 0u : static_cast<DWORD>(REG_OPTION_OPEN_LINK);
    ResultCode result = RegOpenKeyExA(key, subkey, options, KEY_READ | flag, &sub);
    if (result != ERROR_SUCCESS)
        return result;
    result = how == kAsShown ? ERROR_SUCCESS : RefuseLink(sub);
    if (result == ERROR_SUCCESS)
        result = how == kExactAsItself ? QueryExactText(sub, room, roomSize) : QueryDefaultText(sub, room, roomSize);
    RegCloseKey(sub);
    if (result != ERROR_SUCCESS)
        room[0] = '\0';
    return result;
}

ResultCode SubkeyNames(HKEY key, const char* subkey, REGSAM flag, SubkeyRead how, const char* name, bool* names)
{
    char named[kLineRoom];
    const ResultCode result = ReadSubkeyText(key, subkey, flag, how, named, sizeof named);
    *names = result == ERROR_SUCCESS && lstrcmpiA(named, name) == 0;
    return NamesNothing(result) ? ERROR_SUCCESS : result;
}

bool TakeFirstName(const char* path, char* room, int roomSize)
{
    const char* end = path;
    while (*end != '\0' && *end != '\\')
        end = NextChar(end);
    const int length = static_cast<int>(end - path);
    room[0] = '\0';
    if (length >= roomSize)
        return false;
    lstrcpynA(room, path, length + 1);
    return true;
}

bool NamesNothing(ResultCode read)
{
    return read == ERROR_FILE_NOT_FOUND || read == ERROR_INVALID_DATA || read == ERROR_MORE_DATA ||
           read == ERROR_NO_UNICODE_TRANSLATION;
}
