// How the 8-bit calls spell names and values the registry keeps wide: the
// stand-in's conversion held to the platform's, the same cases on both. The
// 8-bit enumeration gives the best-fit spelling; the wide one, converted
// with WC_NO_BEST_FIT_CHARS, says whether that spelling is exact.
#include <gtest/gtest.h>

#include <string>

#include "registry_fixture.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace code_page_test {

enum Page { k1252, k932 };

struct Spelling {
    Page page;
    std::string what;
    std::string name;  // as laid out, UTF-8
    std::string ansi;  // as the 8-bit calls give it
    bool exact;        // spelt without a best-fit or default character
};

void PrintTo(const Spelling& s, std::ostream* os)
{
    *os << s.what;
}

class CodePage : public ClearedRegistry<testing::TestWithParam<Spelling>> {
protected:
    void SetUp() override
    {
        ClearedRegistry::SetUp();
#ifdef _WIN32
        // Under Wine LC_ALL chooses the page; each suite runs in its own.
        ASSERT_EQ(GetACP(), GetParam().page == k932 ? 932u : 1252u);
#else
        keystore::SetCodePage(GetParam().page == k932 ? keystore::CodePage::k932 : keystore::CodePage::k1252);
#endif
    }
};

// The one subkey of "Spelt", by both enumerations, and its value by the
// 8-bit query.
TEST_P(CodePage, SpellsNamesAndValuesAsThePlatformDoes)
{
    const Spelling& s = GetParam();
    ASSERT_NO_FATAL_FAILURE(Lay({Text("Spelt\\" + s.name, s.name)}));
    HKEY spelt;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Spelt", 0, KEY_READ, &spelt), ERROR_SUCCESS);
    char ansi[256];
    EXPECT_EQ(RegEnumKeyA(spelt, 0, ansi, sizeof ansi), ERROR_SUCCESS);
    EXPECT_EQ(std::string(ansi), s.ansi);
    WCHAR wide[256];
    EXPECT_EQ(RegEnumKeyW(spelt, 0, wide, 256), ERROR_SUCCESS);
    BOOL usedDefault = FALSE;
    char exact[256];
    const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, exact, sizeof exact, nullptr,
                                            &usedDefault);
    EXPECT_GT(written, 0);
    EXPECT_EQ(!usedDefault, s.exact);
    if (s.exact) {
        EXPECT_EQ(std::string(exact), s.ansi);
    }
    // The value, through the 8-bit query, as the name.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(spelt, ansi, 0, KEY_READ, &key), s.exact ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
        << "the 8-bit name opens the key only where it is exact";
    if (s.exact) {
        char value[256];
        DWORD size = sizeof value;
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
        EXPECT_EQ(std::string(value), s.ansi);
        RegCloseKey(key);
    }
    RegCloseKey(spelt);
}

// Characters outside ASCII, with the bytes each page gives them; a
// "?" or best-fit spelling opens no key of that name here.
INSTANTIATE_TEST_SUITE_P(
    CodePage1252, CodePage,
    testing::Values(Spelling{k1252, "plain", "plain", "plain", true},
                    Spelling{k1252, "Latin-1 letter", "caf\xc3\xa9", "caf\xe9", true},
                    Spelling{k1252, "euro sign, 0x80", "\xe2\x82\xac", "\x80", true},
                    Spelling{k1252, "fullwidth reverse solidus", "a\xef\xbc\xbc" "b", "a\\b", false},
                    Spelling{k1252, "fullwidth braces", "\xef\xbd\x9bx\xef\xbd\x9d", "{x}", false},
                    Spelling{k1252, "fullwidth full stop", "a\xef\xbc\x8e" "b", "a.b", false},
                    Spelling{k1252, "division slash", "a\xe2\x88\x95" "b", "a/b", false},
                    Spelling{k1252, "kanji the page lacks", "\xe4\xb8\x80", "?", false}));

INSTANTIATE_TEST_SUITE_P(
    CodePage932, CodePage,
    testing::Values(Spelling{k932, "kanji with 0x5C second bytes", "\xe8\xa1\xa8\xe7\xa4\xba", "\x95\x5c\x8e\xa6", true},
                    Spelling{k932, "fullwidth reverse solidus, the page's own", "a\xef\xbc\xbc" "b", "a\x81\x5f" "b",
                             true},
                    Spelling{k932, "kanji one", "\xe4\xb8\x80", "\x88\xea", true},
                    Spelling{k932, "halfwidth katakana, one byte", "\xef\xbd\xb1", "\xb1", true}));

}  // namespace code_page_test
