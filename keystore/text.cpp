// The stand-in's text: names and values kept wide, as the registry keeps
// them (here as UTF-8), and converted for the 8-bit calls through the ANSI
// code page as Windows converts them: exact for the page's own characters,
// a best-fit character for a few others (Microsoft's published best-fit
// tables), the default character "?" for the rest. Code page 932 is
// double-byte: a lead byte and a trail byte that may be 0x5C, the byte of
// "\". Its table here holds only the characters the tests use. Code page
// 65001 is UTF-8: every character its own bytes, but an unpaired
// surrogate, which the 8-bit calls give as U+FFFD; there Windows'
// WideCharToMultiByte takes only the flags 0 or WC_ERR_INVALID_CHARS and
// no used-default pointer, and IsDBCSLeadByte is false for every byte.
// The 8-bit string routines live here too.
#include <cstring>

#include "store.h"

namespace keystore::internal {

CodePage g_page = CodePage::k1252;

namespace {

// 0x80 to 0x9F of code page 1252; the five it leaves undefined map to the
// control characters of the same number, as Windows maps them.
const char32_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct DoubleByte {
    char32_t wide;
    unsigned char lead;
    unsigned char trail;
};

// Some of code page 932: kanji whose trail byte is 0x5C, the fullwidth
// forms the best-fit tables of single-byte pages fold to ASCII, and one
// kanji that code page 1252 lacks.
const DoubleByte k932[] = {
    {0x8868, 0x95, 0x5C},  // 表
    {0x793A, 0x8E, 0xA6},  // 示
    {0x30BD, 0x83, 0x5C},  // ソ
    {0x80FD, 0x94, 0x5C},  // 能
    {0x5341, 0x8F, 0x5C},  // 十
    {0x4E00, 0x88, 0xEA},  // 一
    {0xFF3C, 0x81, 0x5F},  // fullwidth reverse solidus
    {0xFF0E, 0x81, 0x44},  // fullwidth full stop
    {0xFF5B, 0x81, 0x6F},  // fullwidth braces
    {0xFF5D, 0x81, 0x70},
};

bool IsLead(unsigned char byte)
{
    return g_page == CodePage::k932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

bool IsSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string* out, char32_t c)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One character of stored text from at; a byte that begins no character
// of UTF-8 stands for itself.
char32_t NextStored(const std::string& text, size_t* at)
{
    const unsigned char first = static_cast<unsigned char>(text[*at]);
    const int more = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : 0;
    if (more == 0 || *at + more >= text.size()) {
        ++*at;
        return first;
    }
    char32_t c = first & (0x3F >> more);
    for (int i = 1; i <= more; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return first;
        }
        c = (c << 6) | (next & 0x3F);
    }
    *at += more + 1;
    return c;
}

// The page's own bytes for c, if it has them.
bool ExactAnsi(char32_t c, std::string* out)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
        return true;
    }
    if (g_page == CodePage::k65001) {
        if (IsSurrogate(c))
            return false;
        AppendUtf8(out, c);
        return true;
    }
    if (g_page == CodePage::k1252) {
        if (c >= 0xA0 && c <= 0xFF) {
            *out += static_cast<char>(c);
            return true;
        }
        for (int i = 0; i < 32; ++i) {
            if (k1252High[i] == c) {
                *out += static_cast<char>(0x80 + i);
                return true;
            }
        }
        return false;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {  // halfwidth katakana, one byte each
        *out += static_cast<char>(0xA1 + (c - 0xFF61));
        return true;
    }
    for (const DoubleByte& each : k932) {
        if (each.wide == c) {
            *out += static_cast<char>(each.lead);
            *out += static_cast<char>(each.trail);
            return true;
        }
    }
    return false;
}

// The best-fit character of a single-byte page: the fullwidth forms fold
// to ASCII, and the division slash to "/".
bool BestFit(char32_t c, std::string* out)
{
    if (g_page != CodePage::k1252)
        return false;
    if (c >= 0xFF01 && c <= 0xFF5E) {
        *out += static_cast<char>(c - 0xFF01 + 0x21);
        return true;
    }
    if (c == 0x2215) {
        *out += '/';
        return true;
    }
    return false;
}

bool IsPlainAscii(const char* text, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

std::string FromAnsi(const char* text, size_t size)
{
    if (IsPlainAscii(text, size))
        return std::string(text, size);
    std::string out;
    if (g_page == CodePage::k65001) {
        // UTF-8 as it is, a byte that begins no character read as U+FFFD.
        const std::string utf8(text, size);
        for (size_t at = 0; at < utf8.size();) {
            const size_t from = at;
            const char32_t c = NextStored(utf8, &at);
            AppendUtf8(&out, (at == from + 1 && c >= 0x80) || IsSurrogate(c) ? kReplacement : c);
        }
        return out;
    }
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else if (g_page == CodePage::k1252) {
            AppendUtf8(&out, byte < 0xA0 ? k1252High[byte - 0x80] : byte);
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            AppendUtf8(&out, 0xFF61 + (byte - 0xA1));
        } else if (IsLead(byte) && i + 1 < size) {
            const unsigned char trail = static_cast<unsigned char>(text[++i]);
            char32_t wide = 0x30FB;  // what Windows reads a pair it lacks as
            for (const DoubleByte& each : k932) {
                if (each.lead == byte && each.trail == trail)
                    wide = each.wide;
            }
            AppendUtf8(&out, wide);
        } else {
            out += '?';
        }
    }
    return out;
}

std::string ToAnsi(const std::string& stored, bool bestFit, bool* usedDefault)
{
    if (usedDefault != nullptr)
        *usedDefault = false;
    if (IsPlainAscii(stored.data(), stored.size()))
        return stored;
    std::string out;
    for (size_t at = 0; at < stored.size();) {
        const char32_t c = NextStored(stored, &at);
        if (ExactAnsi(c, &out) || (bestFit && BestFit(c, &out)))
            continue;
        if (g_page == CodePage::k65001)
            AppendUtf8(&out, kReplacement);
        else
            out += '?';
        if (usedDefault != nullptr)
            *usedDefault = true;
    }
    return out;
}

void AppendStored(std::string* stored, char32_t c)
{
    AppendUtf8(stored, c);
}

std::wstring ToWide(const std::string& stored)
{
    std::wstring out;
    for (size_t at = 0; at < stored.size();)
        out += static_cast<wchar_t>(NextStored(stored, &at));
    return out;
}

}  // namespace keystore::internal

namespace keystore {

void SetCodePage(CodePage page)
{
    internal::g_page = page;
}

}  // namespace keystore


namespace {

DWORD g_lastError = 0;

int Failed(DWORD error)
{
    g_lastError = error;
    return 0;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR out, int outSize,
                        LPCSTR defaultChar, LPBOOL usedDefault)
{
    using keystore::internal::g_page;
    const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && g_page == keystore::CodePage::k65001);
    if ((codePage != CP_ACP && codePage != CP_UTF8) || wide == nullptr || outSize < 0)
        return Failed(ERROR_INVALID_PARAMETER);
    // Windows' rule for UTF-8, which Wine does not hold.
    if (utf8 && flags != 0 && flags != WC_ERR_INVALID_CHARS)
        return Failed(ERROR_INVALID_FLAGS);
    if (utf8 && (defaultChar != nullptr || usedDefault != nullptr))
        return Failed(ERROR_INVALID_PARAMETER);
    const size_t length = wideLength < 0 ? std::wcslen(wide) + 1 : static_cast<size_t>(wideLength);
    std::string stored;
    for (size_t i = 0; i < length; ++i) {
        if (utf8 && (flags & WC_ERR_INVALID_CHARS) && keystore::internal::IsSurrogate(static_cast<char32_t>(wide[i])))
            return Failed(ERROR_NO_UNICODE_TRANSLATION);
        keystore::internal::AppendUtf8(&stored, static_cast<char32_t>(wide[i]));
    }
    bool defaulted = false;
    const keystore::CodePage was = g_page;
    if (utf8)
        g_page = keystore::CodePage::k65001;
    const std::string ansi =
        keystore::internal::ToAnsi(stored, (flags & WC_NO_BEST_FIT_CHARS) == 0, &defaulted);
    g_page = was;
    if (usedDefault != nullptr)
        *usedDefault = defaulted ? TRUE : FALSE;
    if (outSize == 0)
        return static_cast<int>(ansi.size());
    if (ansi.size() > static_cast<size_t>(outSize))
        return Failed(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, ansi.data(), ansi.size());
    return static_cast<int>(ansi.size());
}

BOOL IsDBCSLeadByte(BYTE byte)
{
    return keystore::internal::IsLead(byte) ? TRUE : FALSE;
}

UINT GetACP()
{
    switch (keystore::internal::g_page) {
    case keystore::CodePage::k932:
        return 932;
    case keystore::CodePage::k65001:
        return CP_UTF8;
    default:
        return 1252;
    }
}

DWORD GetLastError()
{
    return g_lastError;
}

void SetLastError(DWORD error)
{
    g_lastError = error;
}
