#include "key_text.h"

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
    for (const char* at = path; *at != '\0'; ++at) {
        if (*at == '\\' && (at[1] == '\\' || at[1] == '\0'))
            return false;
    }
    return true;
}

bool HoldsChar(const char* text, char c)
{
    for (; *text != '\0'; ++text) {
        if (*text == c)
            return true;
    }
    return false;
}

bool FindClassName(const char* line, int* start, int* end)
{
    int first = -1;
    int last = -1;
    for (int at = 0; line[at] != '\0'; ++at) {
        if (line[at] == '\t') {
            first = first < 0 ? at : first;
            last = at;
        }
    }
    *start = first + 1;
    *end = last;
    return first != last;
}
