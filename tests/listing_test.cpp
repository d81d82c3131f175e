// The control listing, case by case: what is listed, what is passed over,
// and that a scan changes nothing and leaves no handle open.
#include <gtest/gtest.h>

#include <algorithm>

#include "controls.h"
#include "registry_fixture.h"

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
