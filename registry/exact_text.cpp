#include "exact_text.h"

LONG SpellExactly(const WCHAR* wide, char* room, DWORD roomSize)
{
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, room,
                                            static_cast<int>(roomSize), nullptr, &usedDefault);
    if (written == 0)
        return ERROR_MORE_DATA;
    return usedDefault ? ERROR_NO_UNICODE_TRANSLATION : ERROR_SUCCESS;
}

LONG EnumExactName(HKEY key, DWORD index, char* name, DWORD roomSize)
{
    WCHAR wide[kClassNameRoom];  // the longest name a key may have
    const LONG found = RegEnumKeyW(key, index, wide, kClassNameRoom);
    return found != ERROR_SUCCESS ? found : SpellExactly(wide, name, roomSize);
}

ResultCode QueryExactText(HKEY key, char* room, DWORD roomSize)
{
    WCHAR wide[kLineRoom];
    const DWORD most = roomSize < kLineRoom ? roomSize : kLineRoom;
    DWORD type = 0;
    DWORD size = most * sizeof(WCHAR);
    // Spelt out, not L"": Wine's headers in Microsoft's dialect make WCHAR
    // another type than wchar_t.
    const WCHAR noName[] = {0};
    const ResultCode result = RegQueryValueExW(key, noName, nullptr, &type, reinterpret_cast<LPBYTE>(wide), &size);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;
    // The registry returns what was stored, which need not end in a NUL.
    DWORD count = size / sizeof(WCHAR);
    if (count == 0 || wide[count - 1] != 0) {
        if (count >= most)
            return ERROR_MORE_DATA;
        wide[count] = 0;
    }
    return SpellExactly(wide, room, roomSize);
}

const char* NextChar(const char* text)
{
    if (*text == '\0')
        return text;
    return IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1] != '\0' ? text + 2 : text + 1;
}
