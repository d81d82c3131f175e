#include "reg_format.h"

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

const char16_t kLineEnd[] = u"\r\n";

// Inside quotes the importer reads \\ and \" and nothing else as escapes.
std::u16string Quoted(const std::u16string& text)
{
    std::u16string out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out + u"\"";
}

// The text a REG_SZ value holds when it is one clean string: whole UTF-16
// units ending in its one NUL, and no line break, which the importer would
// take for the end of the line.
bool CleanString(const std::vector<uint8_t>& data, std::u16string* text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    text->clear();
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0 || c == u'\r' || c == u'\n')
            return false;
        *text += c;
    }
    return data[data.size() - 2] == 0 && data[data.size() - 1] == 0;
}

std::u16string Hex(uint32_t value, int digits)
{
    static const char kDigits[] = "0123456789abcdef";
    std::u16string out;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const int digit = (value >> shift) & 0xF;
        if (digit != 0 || !out.empty() || shift < digits * 4)
            out += static_cast<char16_t>(kDigits[digit]);
    }
    return out;
}

}  // namespace

std::u16string RegFileHeader()
{
    return std::u16string(1, u'\xFEFF') + u"Windows Registry Editor Version 5.00" + kLineEnd + kLineEnd;
}

std::u16string RegCommentLine(const std::u16string& text)
{
    return u"; " + text + kLineEnd + kLineEnd;
}

std::u16string RegKeyLine(const std::u16string& path)
{
    return u"[" + path + u"]" + kLineEnd;
}

std::u16string RegValueLine(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data)
{
    std::u16string line = name.empty() ? std::u16string(u"@") : Quoted(name);
    line += u"=";
    std::u16string text;
    if (type == kRegSz && CleanString(data, &text))
        return line + Quoted(text) + kLineEnd;
    if (type == kRegDword && data.size() == 4) {
        const uint32_t value = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
        return line + u"dword:" + Hex(value, 8) + kLineEnd;
    }
    line += type == kRegBinary ? std::u16string(u"hex:") : u"hex(" + Hex(type, 1) + u"):";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i != 0)
            line += u",";
        line += Hex(data[i], 2);
    }
    return line + kLineEnd;
}
