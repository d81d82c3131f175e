#include "exact_text.h"

namespace {

// Whether the ANSI code page is UTF-8: Windows' UTF-8 setting, or a
// manifest's activeCodePage, makes it so.
bool AnsiIsUtf8()
{
    return GetACP() == CP_UTF8;
}

// How many bytes the UTF-8 sequence at text takes: its lead byte's count
// where the continuation bytes that count calls for follow, else 1.
int Utf8Length(const char* text)
{
    const unsigned char lead = static_cast<unsigned char>(*text);
    int length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    for (int i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

}  // namespace

LONG SpellExactly(const WCHAR* wide, char* room, DWORD roomSize)
{
    // In UTF-8 every character is spelt exactly, but an unpaired surrogate,
    // which WC_ERR_INVALID_CHARS refuses; Windows takes no other flag and no
    // used-default pointer there.
    BOOL usedDefault = FALSE;
    const bool utf8 = AnsiIsUtf8();
    const int written =
        utf8 ? WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, wide, -1, room, static_cast<int>(roomSize), nullptr,
                                   nullptr)
             : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, room, static_cast<int>(roomSize), nullptr,
                                   &usedDefault);
    if (written == 0) {
        const LONG error = static_cast<LONG>(GetLastError());
        return error == ERROR_INSUFFICIENT_BUFFER ? ERROR_MORE_DATA : error != ERROR_SUCCESS ? error : ERROR_INVALID_DATA;
    }
    return usedDefault ? ERROR_NO_UNICODE_TRANSLATION : ERROR_SUCCESS;
}

LONG EnumExactName(HKEY key, DWORD index, char* name, DWORD roomSize)
{
    WCHAR wide[kKeyNameUnits];  // the longest name a key may have
    const LONG found = RegEnumKeyW(key, index, wide, kKeyNameUnits);
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
    if (AnsiIsUtf8())
        return text + Utf8Length(text);
    return IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1] != '\0' ? text + 2 : text + 1;
}

int WholeCharsWithin(const char* text, int most)
{
    int length = 0;
    for (const char* at = text; *at != '\0';) {
        const char* next = NextChar(at);
        if (next - text > most)
            break;
        length = static_cast<int>(next - text);
        at = next;
    }
    return length;
}
