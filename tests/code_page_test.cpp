// How the 8-bit calls spell names and values the registry keeps wide: the
// stand-in's conversion held to the platform's, the same cases on both. The
// 8-bit enumeration gives the best-fit spelling; the wide one, converted
// with WC_NO_BEST_FIT_CHARS, says whether that spelling is exact.
#include <gtest/gtest.h>

#include <string>

#include "exact_text.h"
#include "registry_fixture.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace code_page_test {

enum Page { k1252, k932, k65001 };

struct Spelling {
    Page page;
    std::string what;
    std::string name;  // as laid out, UTF-8 (an unpaired surrogate as its three bytes)
    std::string ansi;  // as the 8-bit calls give it
    bool exact;        // spelt without a best-fit or default character
    bool valid = true;  // no unpaired surrogate, whose 8-bit spelling only Windows' rule fixes
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
        const Page page = GetParam().page;
#ifdef _WIN32
        // Under Wine LC_ALL chooses the page; each suite runs in its own.
        ASSERT_EQ(GetACP(), page == k932 ? 932u : page == k65001 ? 65001u : 1252u);
#else
        keystore::SetCodePage(page == k932     ? keystore::CodePage::k932
                              : page == k65001 ? keystore::CodePage::k65001
                                               : keystore::CodePage::k1252);
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
    if (s.valid) {
        EXPECT_EQ(std::string(ansi), s.ansi);
    }
    WCHAR wide[256];
    EXPECT_EQ(RegEnumKeyW(spelt, 0, wide, 256), ERROR_SUCCESS);
    // Exact where the platform's own conversion needs no substitute: in
    // UTF-8 with the only parameters Windows takes there.
    BOOL usedDefault = FALSE;
    char exact[256];
    const int written =
        s.page == k65001
            ? WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, wide, -1, exact, sizeof exact, nullptr, nullptr)
            : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, exact, sizeof exact, nullptr, &usedDefault);
    EXPECT_EQ(written > 0 && !usedDefault, s.exact);
    if (s.exact) {
        EXPECT_EQ(std::string(exact), s.ansi);
    }
    // And the removal's own spelling agrees, with the code it refuses with.
    char spelled[256];
    EXPECT_EQ(SpellExactly(wide, spelled, sizeof spelled), s.exact ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION);
    if (s.exact) {
        EXPECT_EQ(std::string(spelled), s.ansi);
        EXPECT_EQ(SpellExactly(wide, spelled, static_cast<DWORD>(s.ansi.size())), ERROR_MORE_DATA)
            << "a room one byte short";
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

// UTF-8, as Windows' UTF-8 setting or a manifest makes it: every script
// spelt exactly, but an unpaired surrogate (the 8-bit calls give U+FFFD on
// Windows; what Wine gives for it is not held to).
INSTANTIATE_TEST_SUITE_P(
    CodePage65001, CodePage,
    testing::Values(Spelling{k65001, "plain", "plain", "plain", true},
                    Spelling{k65001, "Cyrillic", "\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c",
                             "\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c", true},
                    Spelling{k65001, "Greek", "\xce\x97\xce\xbc\xce\xad\xcf\x81\xce\xb1", "\xce\x97\xce\xbc\xce\xad\xcf\x81\xce\xb1", true},
                    Spelling{k65001, "CJK", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", true},
                    Spelling{k65001, "Hebrew", "\xd7\x9c\xd7\x95\xd7\x97", "\xd7\x9c\xd7\x95\xd7\x97", true},
                    Spelling{k65001, "outside the Basic Multilingual Plane", "a\xf0\x9f\x98\x80" "b", "a\xf0\x9f\x98\x80" "b",
                             true},
                    Spelling{k65001, "fullwidth reverse solidus, its own character", "a\xef\xbc\xbc" "b",
                             "a\xef\xbc\xbc" "b", true},
                    Spelling{k65001, "unpaired surrogate", "a\xed\xa0\x80" "b", "a\xef\xbf\xbd" "b", false, false}));

#ifndef _WIN32
// Windows' rule for converting to UTF-8, which Wine does not hold and the
// stand-in does: the flags 0 or WC_ERR_INVALID_CHARS alone, no used-default
// pointer; each failure its own error.
TEST(CodePageRules, Utf8TakesOnlyWindowsParameters)
{
    keystore::SetCodePage(keystore::CodePage::k65001);
    const WCHAR cyrillic[] = {0x041A, 0x0430, 0};
    char out[16];
    BOOL usedDefault = FALSE;
    const struct {
        const char* what;
        DWORD flags;
        LPBOOL usedDefault;
        DWORD error;
    } cases[] = {
        {"no best-fit characters asked for", WC_NO_BEST_FIT_CHARS, nullptr, ERROR_INVALID_FLAGS},
        {"a used-default pointer", 0, &usedDefault, ERROR_INVALID_PARAMETER},
        {"both", WC_NO_BEST_FIT_CHARS, &usedDefault, ERROR_INVALID_FLAGS},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, c.flags, cyrillic, -1, out, sizeof out, nullptr, c.usedDefault), 0)
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, cyrillic, -1, out, sizeof out, nullptr, nullptr), 5);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, cyrillic, -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    const WCHAR unpaired[] = {'a', 0xD800, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, unpaired, -1, out, sizeof out, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    keystore::SetCodePage(keystore::CodePage::k1252);
}
#endif

}  // namespace code_page_test
