// The control listing, case by case: what is listed, what is passed over,
// and that a scan changes nothing and leaves no handle open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "controls.h"
#include "key_text.h"
#include "registry_fixture.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace listing_test {

const ControlDef kAlpha = {"{A1000000-0000-0000-0000-000000000001}", "Alpha Gauge",
                           "C:\\Controls\\alpha.ocx", "", ""};
const ControlDef kBeta = {"{B2000000-0000-0000-0000-000000000002}", "Beta Slider",
                          "C:\\Controls\\beta.ocx", "", ""};
const std::string kGamma = "CLSID\\{C3000000-0000-0000-0000-000000000003}";
const std::string kGammaName = "{C3000000-0000-0000-0000-000000000003}";

// Gamma's keys with one thing changed by the caller.
std::vector<KeyDef> Gamma(const KeyDef& name, const KeyDef& server,
                          std::vector<KeyDef> extra = {})
{
    return Join({{name, Key(kGamma + "\\Control"), server}, extra});
}

struct ListingCase {
    const char* what;
    std::vector<KeyDef> layout;
    std::vector<std::string> denied;  // keys that refuse full access
    ResultCode result;
    std::vector<std::string> lines;  // sorted
};

std::vector<ListingCase> ListingCases()
{
    const std::string server259(259, 's');
    const std::string server260(260, 's');
    const std::string longName(1023, 'n');
    const std::string name49 = "{" + std::string(47, '4') + "}";
    const std::string name255 = "{" + std::string(253, '5') + "}";
    const std::string later = "{" + std::string(47, '6') + "}";  // enumerated after name255
    return {
        {"no CLSID key at all", {Key("Other")}, {}, ERROR_FILE_NOT_FOUND, {}},
        {"CLSID readable but not writable", Join({ControlKeys(kAlpha)}), {"CLSID"},
         ERROR_ACCESS_DENIED, {}},
        {"no controls", {Key("CLSID"), Text("CLSID\\{D}", "Plain class"),
                         Text("CLSID\\{D}\\InprocServer32", "d.dll")},
         {}, 0, {}},
        {"out-of-process control", {Text(kGamma, "Gamma"), Key(kGamma + "\\Control"),
                                    Text(kGamma + "\\LocalServer32", "gamma.exe")},
         {}, 0, {}},
        {"two controls", Join({ControlKeys(kBeta), ControlKeys(kAlpha)}), {}, 0,
         {EntryLine(kAlpha), EntryLine(kBeta)}},
        {"no InprocServer32", {Text(kGamma, "Gamma"), Key(kGamma + "\\Control")}, {}, 0, {}},
        {"InprocServer32 without a value", Gamma(Text(kGamma, "G"), Key(kGamma + "\\InprocServer32")),
         {}, 0, {}},
        {"server path REG_EXPAND_SZ",
         Gamma(Text(kGamma, "G"), Raw(kGamma + "\\InprocServer32", REG_EXPAND_SZ,
                                      std::string("%SystemRoot%\\g.ocx") + '\0')),
         {}, 0, {}},
        {"server path of 259", Gamma(Text(kGamma, "G"), Text(kGamma + "\\InprocServer32", server259)),
         {}, 0, {"G\t" + kGammaName + "\t" + server259}},
        {"server path of 260", Gamma(Text(kGamma, "G"), Text(kGamma + "\\InprocServer32", server260)),
         {}, 0, {}},
        {"server path stored without its NUL",
         Gamma(Text(kGamma, "G"), Raw(kGamma + "\\InprocServer32", REG_SZ, "g.ocx")), {}, 0,
         {"G\t" + kGammaName + "\tg.ocx"}},
        // Without a NUL the value fills its room only up to 259 bytes: one of
        // 260 leaves no byte for the NUL, and must not be taken in.
        {"server path of 259 without its NUL",
         Gamma(Text(kGamma, "G"), Raw(kGamma + "\\InprocServer32", REG_SZ, server259)), {}, 0,
         {"G\t" + kGammaName + "\t" + server259}},
        {"server path of 260 without its NUL",
         Gamma(Text(kGamma, "G"), Raw(kGamma + "\\InprocServer32", REG_SZ, server260)), {}, 0, {}},
        {"display name of 1023 without its NUL",
         Gamma(Raw(kGamma, REG_SZ, longName), Text(kGamma + "\\InprocServer32", "g.ocx")), {}, 0,
         {longName.substr(0, 1023 - 2 - kGammaName.size() - 5) + "\t" + kGammaName + "\tg.ocx"}},
        {"display name of 1024 without its NUL",
         Gamma(Raw(kGamma, REG_SZ, longName + "n"), Text(kGamma + "\\InprocServer32", "g.ocx")), {}, 0, {}},
        {"empty display name", Gamma(Text(kGamma, ""), Text(kGamma + "\\InprocServer32", "g.ocx")),
         {}, 0, {"\t" + kGammaName + "\tg.ocx"}},
        {"no display name", Gamma(Key(kGamma), Text(kGamma + "\\InprocServer32", "g.ocx")), {}, 0, {}},
        {"display name of another type",
         Gamma(Raw(kGamma, REG_BINARY, "G"), Text(kGamma + "\\InprocServer32", "g.ocx")), {}, 0, {}},
        {"Control key with contents and names in other case",
         {Text(kGamma, "G"), Text(kGamma + "\\CONTROL\\Inner", "x"),
          Text(kGamma + "\\inprocserver32", "g.ocx")},
         {}, 0, {"G\t" + kGammaName + "\tg.ocx"}},
        {"class refusing full access passed over", Join({ControlKeys(kAlpha), ControlKeys(kBeta)}),
         {"CLSID\\" + kAlpha.clsid}, 0, {EntryLine(kBeta)}},
        // Every key name a key may have fits its room: the longest is listed,
        // and so are the controls after it.
        {"key names of every length listed, but a line that cannot hold its parts",
         Join({{Text("CLSID\\" + name255, "Long"), Key("CLSID\\" + name255 + "\\Control"),
                  Text("CLSID\\" + name255 + "\\InprocServer32", "f.ocx")},
                 {Text("CLSID\\" + name49, "FortyNine"), Key("CLSID\\" + name49 + "\\Control"),
                  Text("CLSID\\" + name49 + "\\InprocServer32", "n.ocx")},
                 {Text("CLSID\\" + later, "Later"), Key("CLSID\\" + later + "\\Control"),
                  Text("CLSID\\" + later + "\\InprocServer32", "l.ocx")}}),
         {}, 0, {"FortyNine\t" + name49 + "\tn.ocx", "Later\t" + later + "\tl.ocx", "Long\t" + name255 + "\tf.ocx"}},
        // Two TABs, the name and "g.ocx" make 1024 characters: one too many.
        {"line one character too long is shortened",
         Gamma(Text(kGamma, std::string(1024 - 2 - kGammaName.size() - 5, 'n')),
               Text(kGamma + "\\InprocServer32", "g.ocx")),
         {}, 0, {std::string(1023 - 2 - kGammaName.size() - 5, 'n') + "\t" + kGammaName + "\tg.ocx"}},
        {"display name too long for the line is shortened",
         Gamma(Text(kGamma, longName), Text(kGamma + "\\InprocServer32", server259)), {}, 0,
         {longName.substr(0, 1023 - 2 - kGammaName.size() - 259) + "\t" + kGammaName + "\t" +
          server259}},
    };
}

void PrintTo(const ListingCase& c, std::ostream* os)
{
    *os << c.what;
}

class Listing : public ClearedRegistry<testing::TestWithParam<ListingCase>> {};

TEST_P(Listing, DeliversExactlyTheControls)
{
    const ListingCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(LayDenying(c.layout, c.denied));
    const std::vector<std::string> before = Snapshot();
    const int handlesBefore = OpenHandles();

    ResultCode result = -1;
    std::vector<std::string> lines = ListControls(&result);
    std::sort(lines.begin(), lines.end());

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(lines, c.lines);
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), static_cast<size_t>(kLineRoom - 1));
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    }
    EXPECT_EQ(Snapshot(), before) << "a scan must not change the registry";
    EXPECT_EQ(OpenHandles(), handlesBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, Listing, testing::ValuesIn(ListingCases()),
                         [](const testing::TestParamInfo<ListingCase>& info) {
                             std::string name;
                             for (const char* at = info.param.what; *at != '\0'; ++at)
                                 name += isalnum(static_cast<unsigned char>(*at)) ? *at : '_';
                             return name;
                         });

}  // namespace listing_test

namespace listing_test {

// The handle count the listing checks rests on must see a handle left open.
TEST(RegistryFixture, SeesAHandleLeftOpen)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay({Key("Probe")}));
    const int before = OpenHandles();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Probe", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(OpenHandles(), before + 1);
    RegCloseKey(key);
    EXPECT_EQ(OpenHandles(), before);
    ResetRegistry();
}

}  // namespace listing_test

namespace listing_test {

// A display name too long for the line is cut to it by whole characters, in
// every code page: the cut swept across every byte of characters of one to
// four bytes by the length of the server path beside it. Each line then
// names its class (read by characters, no TAB taken into a character), and
// removes it. Under Wine each page's cases run in its own locale.
struct Letter {
    const char* stored;  // as laid out, UTF-8
    const char* ansi;    // as the code page spells it
};

struct CutCase {
    const char* page;  // 1252, 932 or 65001
    std::vector<Letter> letters;
};

void PrintTo(const CutCase& c, std::ostream* os)
{
    *os << "code page " << c.page;
}

class CutLine : public ClearedRegistry<testing::TestWithParam<CutCase>> {
protected:
    void SetUp() override
    {
        ClearedRegistry::SetUp();
        ChoosePage();
    }
    // A cleared stand-in is in code page 1252 again.
    void ChoosePage()
    {
        const std::string page = GetParam().page;
#ifdef _WIN32
        ASSERT_EQ(std::to_string(GetACP()), page) << "run in the locale of that code page";
#else
        keystore::SetCodePage(page == "932" ? keystore::CodePage::k932
                              : page == "65001" ? keystore::CodePage::k65001
                                                : keystore::CodePage::k1252);
#endif
    }
};

TEST_P(CutLine, CutsADisplayNameByWholeCharactersAndRemovesItsLine)
{
    const std::vector<Letter>& letters = GetParam().letters;
    // As long as the display-name room takes, as the page spells it.
    std::string stored;
    std::vector<std::string> spelt;  // the name's characters as the page spells them
    size_t spelling = 0;
    for (size_t i = 0; spelling + std::strlen(letters[i % letters.size()].ansi) <= kLineRoom - 1; ++i) {
        stored += letters[i % letters.size()].stored;
        spelt.push_back(letters[i % letters.size()].ansi);
        spelling += spelt.back().size();
    }
    const std::string clsid = "{6E000000-0000-0000-0000-000000000006}";
    for (size_t serverLength = 60; serverLength < 68; ++serverLength) {
        const std::string server = "C:\\" + std::string(serverLength - 7, 's') + ".ocx";
        SCOPED_TRACE("server path of " + std::to_string(server.size()));
        ResetRegistry();
        ASSERT_NO_FATAL_FAILURE(ChoosePage());
        ASSERT_NO_FATAL_FAILURE(Lay({Text("CLSID\\" + clsid, stored), Key("CLSID\\" + clsid + "\\Control"),
                                     Text("CLSID\\" + clsid + "\\InprocServer32", server)}));
        const std::vector<std::string> lines = ListControls();
        ASSERT_EQ(lines.size(), 1u);
        // The longest run of whole characters that leaves room for the rest.
        const size_t room = kLineRoom - 1 - 2 - clsid.size() - server.size();
        std::string expected;
        for (const std::string& character : spelt) {
            if (expected.size() + character.size() > room)
                break;
            expected += character;
        }
        EXPECT_EQ(lines[0], expected + "\t" + clsid + "\t" + server);
        int start = 0;
        int end = 0;
        ASSERT_TRUE(FindClassName(lines[0].c_str(), &start, &end));
        EXPECT_EQ(lines[0].substr(start, end - start), clsid);
        char room2[kLineRoom];
        std::strcpy(room2, lines[0].c_str());
        EXPECT_EQ(RemoveControl(room2), 0);
        EXPECT_FALSE(KeyExists("CLSID\\" + clsid));
    }
}

INSTANTIATE_TEST_SUITE_P(CodePage1252, CutLine,
                         testing::Values(CutCase{"1252", {{"a", "a"}, {"\xc3\xa9", "\xe9"}, {"\xe2\x82\xac", "\x80"}}}));
// 500 times a kanji of two bytes, with others of one byte and a second byte
// that is a "\\".
INSTANTIATE_TEST_SUITE_P(CodePage932, CutLine,
                         testing::Values(CutCase{"932", {{"\xe7\xa4\xba", "\x8e\xa6"}}},
                                         CutCase{"932", {{"\xe7\xa4\xba", "\x8e\xa6"}, {"a", "a"},
                                                         {"\xe8\xa1\xa8", "\x95\x5c"}, {"\xef\xbd\xb1", "\xb1"}}}));
INSTANTIATE_TEST_SUITE_P(CodePage65001, CutLine,
                         testing::Values(CutCase{"65001", {{"a", "a"}, {"\xc3\xa9", "\xc3\xa9"},
                                                           {"\xe7\xa4\xba", "\xe7\xa4\xba"},
                                                           {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
                                                           {"\xd0\x96", "\xd0\x96"}}}));

}  // namespace listing_test
