// The backup's value lines: every type, and every name and string the
// importer reads specially, written so that it restores the exact bytes.
#include <gtest/gtest.h>

#include "reg_format.h"

namespace reg_format_test {

struct ValueCase {
    const char* what;
    std::u16string name;
    uint32_t type;
    std::vector<uint8_t> data;
    std::u16string line;
};

std::vector<uint8_t> Utf16Bytes(const std::u16string& text)
{
    std::vector<uint8_t> bytes;
    for (char16_t c : text + u'\0') {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << c.what;
}

class RegFormat : public testing::TestWithParam<ValueCase> {};

TEST_P(RegFormat, WritesTheLineThatRestoresTheValue)
{
    const ValueCase& c = GetParam();
    EXPECT_EQ(RegValueLine(c.name, c.type, c.data), c.line + u"\r\n");
}

INSTANTIATE_TEST_SUITE_P(Values, RegFormat, testing::Values(
    ValueCase{"default string", u"", 1, Utf16Bytes(u"Xanthe"), u"@=\"Xanthe\""},
    ValueCase{"empty default", u"", 1, Utf16Bytes(u""), u"@=\"\""},
    ValueCase{"quotes and backslashes", u"q\"uo\\te=", 1, Utf16Bytes(u"C:\\a \"b\""),
              u"\"q\\\"uo\\\\te=\"=\"C:\\\\a \\\"b\\\"\""},
    ValueCase{"text outside ASCII", u"n\u00e9v", 1, Utf16Bytes(u"\u00c1mber \u2603"),
              u"\"n\u00e9v\"=\"\u00c1mber \u2603\""},
    ValueCase{"string of odd length", u"s", 1, {0x41, 0x00, 0x42}, u"\"s\"=hex(1):41,00,42"},
    ValueCase{"string without its NUL", u"s", 1, {0x41, 0x00}, u"\"s\"=hex(1):41,00"},
    ValueCase{"string holding a NUL", u"s", 1, {0x41, 0, 0, 0, 0x42, 0, 0, 0}, u"\"s\"=hex(1):41,00,00,00,42,00,00,00"},
    ValueCase{"string holding a line break", u"s", 1, Utf16Bytes(u"a\nb"), u"\"s\"=hex(1):61,00,0a,00,62,00,00,00"},
    ValueCase{"no bytes at all", u"s", 1, {}, u"\"s\"=hex(1):"},
    ValueCase{"expandable string", u"e", 2, Utf16Bytes(u"%A%"), u"\"e\"=hex(2):25,00,41,00,25,00,00,00"},
    ValueCase{"binary", u"b", 3, {0x00, 0xFF, 0x7F}, u"\"b\"=hex:00,ff,7f"},
    ValueCase{"DWORD", u"d", 4, {0x2A, 0, 0, 0x80}, u"\"d\"=dword:8000002a"},
    ValueCase{"DWORD of two bytes", u"d", 4, {1, 2}, u"\"d\"=hex(4):01,02"},
    ValueCase{"multiple strings", u"m", 7, {0x61, 0, 0, 0, 0, 0}, u"\"m\"=hex(7):61,00,00,00,00,00"},
    ValueCase{"QWORD", u"q", 11, {1, 2, 3, 4, 5, 6, 7, 8}, u"\"q\"=hex(b):01,02,03,04,05,06,07,08"},
    ValueCase{"none", u"n", 0, {}, u"\"n\"=hex(0):"},
    ValueCase{"a type of no name", u"o", 0x12345678, {9}, u"\"o\"=hex(12345678):09"}));

TEST(RegFormatFile, HeaderAndKeyLines)
{
    EXPECT_EQ(RegFileHeader(), u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_EQ(RegKeyLine(u"HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{A}\\Sub"),
              u"[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{A}\\Sub]\r\n");
}

}  // namespace reg_format_test
