// Control removal: the three trees that go, in order, and every line or value
// that must make it go no further.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "controls.h"
#include "registry_fixture.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace removal_test {

const std::string kX = "{5A000000-0000-0000-0000-00000000000A}";
const std::string kY = "{5B000000-0000-0000-0000-00000000000B}";
const std::string kPlain = "{5C000000-0000-0000-0000-00000000000C}";
const std::string kLib = "{7E000000-0000-0000-0000-0000000000E1}";

const ControlDef kXControl = {kX, "Xanthe Gauge", "C:\\Ctl\\xanthe.ocx", "Talven.Xanthe.1", kLib};
const ControlDef kYControl = {kY, "Yarrow Dial", "C:\\Ctl\\yarrow.ocx", "Talven.Yarrow.1", kLib};
const ControlDef kPlainControl = {kPlain, "Plain Knob", "C:\\Ctl\\plain.ocx", "", ""};

// X as it is usually registered: a ProgID and a version-independent ProgID
// (which the removal leaves alone), a type library with two versions, and a
// class key with several subkeys.
std::vector<KeyDef> RealisticX()
{
    return Join({ControlKeys(kXControl), {
        Text("CLSID\\" + kX + "\\VersionIndependentProgID", "Talven.Xanthe"),
        Text("CLSID\\" + kX + "\\MiscStatus\\1", "131473"),
        Text("CLSID\\" + kX + "\\ToolboxBitmap32", "C:\\Ctl\\xanthe.ocx, 1"),
        Text("Talven.Xanthe", "Xanthe Gauge"),
        Text("Talven.Xanthe\\CLSID", kX),
        Text("Talven.Xanthe\\CurVer", "Talven.Xanthe.1"),
        Text("TypeLib\\" + kLib + "\\2.0", "Xanthe Library 2"),
        Text("TypeLib\\" + kLib + "\\2.0\\0\\win32", "C:\\Ctl\\xanthe2.ocx"),
        Text("TypeLib\\" + kLib + "\\2.0\\FLAGS", "0"),
    }});
}

// The world every case is laid out in: X, the plain control, a type library
// and keys that a careless removal would take.
std::vector<KeyDef> World(const std::vector<KeyDef>& changes = {})
{
    return Join({RealisticX(), ControlKeys(kPlainControl),
                 {Key("Interface\\{11111111-0000-0000-0000-000000000000}"),
                  Text("TypeLib\\{7F000000-0000-0000-0000-0000000000F2}\\1.0", "Other Library")},
                 changes});
}

const std::string kXClass = "CLSID\\" + kX;
const std::string kXTypeLib = "TypeLib\\" + kLib;
const std::string kXLine = EntryLine(kXControl);

std::vector<TreeCase> RemovalCases()
{
    const std::string progIdKey = kXClass + "\\ProgID";
    const std::string typeLibKey = kXClass + "\\Typelib";
    const std::vector<std::string> xRest = {kXTypeLib, kXClass};
    return {
        {"neither ProgID nor Typelib", World(), {}, EntryLine(kPlainControl), 0, {"CLSID\\" + kPlain}},
        {"ProgID, type library of two versions and class",
         World(), {}, kXLine, 0, {"Talven.Xanthe.1", kXTypeLib, kXClass}},
        {"CLSID named in other case in the line and the ProgID",
         World({Text("Talven.Xanthe.1\\CLSID", "{5a000000-0000-0000-0000-00000000000a}")}), {},
         "Xanthe Gauge\t{5a000000-0000-0000-0000-00000000000a}\tC:\\Ctl\\xanthe.ocx", 0,
         {"Talven.Xanthe.1", kXTypeLib, kXClass}},
        {"Typelib value of 50 characters passed over",
         World({Text(typeLibKey, "{" + std::string(48, '7') + "}"),
                Key("TypeLib\\{" + std::string(47, '7'))}),
         {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
        {"Typelib value naming part of a library passed over",
         World({Text(typeLibKey, kLib + "\\2.0")}), {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
        {"empty Typelib value passed over", World({Text(typeLibKey, "")}), {}, kXLine, 0,
         {"Talven.Xanthe.1", kXClass}},
        {"empty ProgID value passed over", World({Text(progIdKey, "")}), {}, kXLine, 0,
         {kXTypeLib, kXClass}},
        {"ProgID value of another type passed over",
         World({Raw(progIdKey, REG_EXPAND_SZ, std::string("Talven.Xanthe.1") + '\0')}), {}, kXLine, 0,
         {kXTypeLib, kXClass}},
        {"no TAB", World(), {}, "Xanthe Gauge", 1, {}},
        {"one TAB", World(), {}, "Xanthe Gauge\t" + kX, 1, {}},
        {"TAB inside the display name", World(), {}, "Xan\tthe Gauge\t" + kX + "\tx.ocx", ERROR_FILE_NOT_FOUND, {}},
        {"TAB inside the server path", World(), {}, "Xanthe Gauge\t" + kX + "\tC:\\Ctl\tx.ocx",
         ERROR_BAD_PATHNAME, {}},
        {"empty CLSID text", World(), {}, "Xanthe Gauge\t\tx.ocx", ERROR_BAD_PATHNAME, {}},
        // No key has a name so long, in any code page: the text has no room.
        {"CLSID text longer than any key's name", World(), {}, "X\t" + std::string(kKeyNameRoom, 'c') + "\tx.ocx",
         ERROR_FILENAME_EXCED_RANGE, {}},
        // The longest name a key may have is listed, and removed.
        {"class key of the longest name",
         World({Text("CLSID\\" + std::string(255, 'c'), "X"), Key("CLSID\\" + std::string(255, 'c') + "\\Control"),
                Text("CLSID\\" + std::string(255, 'c') + "\\InprocServer32", "x.ocx")}),
         {}, "X\t" + std::string(255, 'c') + "\tx.ocx", 0, {"CLSID\\" + std::string(255, 'c')}},
        {"class not registered", World(), {}, "Gone\t{00000000-0000-0000-0000-000000000000}\tg.ocx",
         ERROR_FILE_NOT_FOUND, {}},
        // A ProgID value that names no tree of this class's own is passed
        // over, and the key it names stays as it was.
        {"ProgID naming no key", World({Text(progIdKey, "Talven.Missing.1")}), {}, kXLine, 0, xRest},
        {"ProgID naming the class root", World({Text(progIdKey, "CLSID")}), {}, kXLine, 0, xRest},
        {"ProgID naming the type-library root", World({Text(progIdKey, "TypeLib")}), {}, kXLine, 0, xRest},
        {"ProgID naming the interface root", World({Text(progIdKey, "Interface")}), {}, kXLine, 0, xRest},
        {"ProgID naming another class", World({Text(progIdKey, "CLSID\\" + kPlain)}), {}, kXLine, 0, xRest},
        {"ProgID holding a stray backslash", World({Text(progIdKey, "Talven.Xanthe.1\\")}), {}, kXLine, 0,
         xRest},
        {"ProgID of another class",
         World({Text(progIdKey, "Talven.Xanthe"), Text("Talven.Xanthe\\CLSID", kPlain)}), {}, kXLine, 0, xRest},
        {"ProgID without a CLSID subkey", World({Text(progIdKey, "Talven.Bare"), Text("Talven.Bare", "bare")}),
         {}, kXLine, 0, xRest},
        {"ProgID whose CLSID is no text",
         World({Text(progIdKey, "Talven.Bin"), Raw("Talven.Bin\\CLSID", REG_BINARY, kX)}), {}, kXLine, 0, xRest},
        {"class tree refusing deletion", World(), {kXClass + "\\Control"}, kXLine, ERROR_ACCESS_DENIED,
         {"Talven.Xanthe.1", kXTypeLib}},
        // The class key is only read until its own tree goes.
        {"class key itself refusing write", World(), {kXClass}, kXLine, ERROR_ACCESS_DENIED,
         {"Talven.Xanthe.1", kXTypeLib}},
    };
}

// Keys a hostile registration would have a removal delete.
std::vector<KeyDef> Victim()
{
    return {Text("Victim", "victim"), Text("Victim\\A", "a"), Key("Victim\\B\\B1")};
}

std::string Levels(int count)
{
    std::string path;
    for (int i = 0; i < count; ++i)
        path += "\\d";
    return path;
}

// Characters written as UTF-8, as layouts take them: some the ANSI code
// page 1252 spells only by a best-fit character or not at all, some of
// code page 932.
const std::string kFullwidthSolidus = "\xef\xbc\xbc";  // U+FF3C, best fit "\\"
const std::string kFullwidthStop = "\xef\xbc\x8e";     // U+FF0E, best fit "."
const std::string kFullwidthOpen = "\xef\xbd\x9b";     // U+FF5B, best fit "{"
const std::string kFullwidthClose = "\xef\xbd\x9d";    // U+FF5D, best fit "}"
const std::string kKanjiOne = "\xe4\xb8\x80";          // U+4E00, "?" in 1252
const std::string kHyouji = "\xe8\xa1\xa8\xe7\xa4\xba";  // U+8868 U+793A: 0x95 0x5C 0x8E 0xA6 in 932
const std::string kSoJuu = "\xe3\x82\xbd\xe5\x8d\x81";   // U+30BD U+5341: 0x83 0x5C 0x8F 0x5C in 932

// A control of the user's own, whose "Typelib" names the machine's library
// that World lays out besides X's.
const std::string kU = "{5F000000-0000-0000-0000-00000000000F}";
const std::string kOtherLibId = "{7F000000-0000-0000-0000-0000000000F2}";
const std::string kULine = "Umber Slider\t" + kU + "\tC:\\Users\\u\\umber.ocx";

std::vector<KeyDef> UmberOfTheUser()
{
    return InUserStore({Text("CLSID\\" + kU, "Umber Slider"), Key("CLSID\\" + kU + "\\Control"),
                        Text("CLSID\\" + kU + "\\InprocServer32", "C:\\Users\\u\\umber.ocx"),
                        Text("CLSID\\" + kU + "\\Typelib", kOtherLibId)});
}

// Registrations laid out by someone who wants the removal of X to delete
// what is not X's: links in and out of its trees, and values and keys that
// make a root of the class store, another class or another library look
// like X's. Each is refused before anything goes, or the step passed over.
std::vector<TreeCase> HostileCases()
{
    const std::string progIdKey = kXClass + "\\ProgID";
    const std::string typeLibKey = kXClass + "\\Typelib";
    const std::string otherLib = "TypeLib\\{7F000000-0000-0000-0000-0000000000F2}";
    const std::string linkedLib = "{7D000000-0000-0000-0000-0000000000D3}";
    const std::string linkedClass = "{5D000000-0000-0000-0000-00000000000D}";
    const std::vector<std::string> xTrees = {"Talven.Xanthe.1", kXTypeLib, kXClass};
    std::vector<TreeCase> cases = {
        {"link inside the class tree", World(Join({Victim(), {Link(kXClass + "\\Extra", "Victim")}})), {},
         kXLine, kLinkRefused, {}},
        {"link inside the ProgID tree", World(Join({Victim(), {Link("Talven.Xanthe.1\\shell", "Victim")}})),
         {}, kXLine, kLinkRefused, {}},
        {"link inside the type library",
         World(Join({Victim(), {Link(kXTypeLib + "\\2.0\\0\\win64", "Victim")}})), {}, kXLine,
         kLinkRefused, {}},
        {"link from the type library back to the class key",
         World({Link(kXTypeLib + "\\1.0\\ctl", kXClass)}), {}, kXLine, kLinkRefused, {}},
        {"link from the class tree to itself", World({Link(kXClass + "\\Loop", kXClass)}), {}, kXLine,
         kLinkRefused, {}},
        {"link from the class tree to the class root", World({Link(kXClass + "\\All", "CLSID")}), {},
         kXLine, kLinkRefused, {}},
        {"ProgID key itself a link",
         World({Text(progIdKey, "Talven.Linked.1"), Link("Talven.Linked.1", "Talven.Xanthe.1")}), {},
         kXLine, kLinkRefused, {}},
        {"type-library key itself a link",
         World({Text(typeLibKey, linkedLib), Link("TypeLib\\" + linkedLib, otherLib)}), {}, kXLine,
         kLinkRefused, {}},
        {"class key itself a link", World({Link("CLSID\\" + linkedClass, "CLSID\\" + kPlain)}), {},
         "Linked\t" + linkedClass + "\tx.ocx", kLinkRefused, {}},
        {"class tree too deep for the paths", World({Key(kXClass + "\\Deep" + Levels(500))}), {}, kXLine,
         kTooDeep, {}},
        {"ProgID naming another class, with a forged CLSID",
         World({Text(progIdKey, "CLSID\\" + kPlain), Text("CLSID\\" + kPlain + "\\CLSID", kX)}), {},
         kXLine, 0, {kXTypeLib, kXClass}},
        {"ProgID of 39 characters", World({Text(progIdKey, "Talven." + std::string(30, 'x') + ".1"),
                                          Text("Talven." + std::string(30, 'x') + ".1\\CLSID", kX)}),
         {}, kXLine, 0, {"Talven." + std::string(30, 'x') + ".1", kXTypeLib, kXClass}},
        {"Typelib value in lower case", World({Text(typeLibKey, "{7e000000-0000-0000-0000-0000000000e1}")}),
         {}, kXLine, 0, xTrees},
        {"Typelib value not a library identifier passed over",
         World({Text(typeLibKey, "{L1}"), Key("TypeLib\\{L1}\\1.0")}), {}, kXLine, 0,
         {"Talven.Xanthe.1", kXClass}},
        {"Typelib value one digit off a library identifier passed over",
         World({Text(typeLibKey, "{7G000000-0000-0000-0000-0000000000E1}"),
                Key("TypeLib\\{7G000000-0000-0000-0000-0000000000E1}")}),
         {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
        // Links above a tree, where REG_OPTION_OPEN_LINK on its path does
        // not reach: any program the user runs may lay them in the user's
        // store, to lead a removal into the machine's.
        {"link at the user's TypeLib to the machine's",
         World(Join({UmberOfTheUser(), {Link(kUserPath + "TypeLib", "TypeLib")}})), {}, kULine, kLinkRefused, {}},
        {"link at the user's CLSID to the machine's", World({Link(kUserPath + "CLSID", "CLSID")}), {}, kXLine,
         kLinkRefused, {}},
        // Names the code page changes: a key the walk would open by another
        // name, so nothing is taken; a value that would name another tree
        // than the one written, so that step is passed over.
        {"class key holding a name that reads as the path of another key",
         World({Key(kXClass + "\\Sub" + kFullwidthSolidus + "Leaf"), Key(kXClass + "\\Sub\\Leaf")}), {}, kXLine,
         ERROR_NO_UNICODE_TRANSLATION, {}},
        {"class key holding a name the code page lacks, beside one named as it reads",
         World({Key(kXClass + "\\" + kKanjiOne), Key(kXClass + "\\?")}), {}, kXLine, ERROR_NO_UNICODE_TRANSLATION,
         {}},
        {"library key holding a name the code page lacks",
         World({Key(kXTypeLib + "\\2.0\\" + kKanjiOne)}), {}, kXLine, ERROR_NO_UNICODE_TRANSLATION, {}},
        // No 8-bit call opens a class key whose name the code page lacks: its
        // "Typelib" value is read by its wide name, and keeps the library; and
        // though its name reads as X's own, it is no class of X.
        {"library also named by a class whose name the code page lacks",
         World({Text("CLSID\\{" + kKanjiOne + "}\\Typelib", kLib)}), {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
        {"library also named by a class whose name reads as X's",
         World({Text("CLSID\\" + kX.substr(0, 37) + kFullwidthClose + "\\Typelib", kLib)}), {}, kXLine, 0,
         {"Talven.Xanthe.1", kXClass}},
        {"Typelib value in fullwidth braces reading as X's library passed over",
         World({Text(typeLibKey, kFullwidthOpen + "7E000000-0000-0000-0000-0000000000E1" + kFullwidthClose)}), {},
         kXLine, 0, {"Talven.Xanthe.1", kXClass}},
        {"ProgID value with a fullwidth stop reading as X's ProgID passed over",
         World({Text(progIdKey, "Talven.Xanthe" + kFullwidthStop + "1")}), {}, kXLine, 0, {kXTypeLib, kXClass}},
        {"ProgID value reading as a path to another class, with a forged CLSID, passed over",
         World({Text(progIdKey, "CLSID" + kFullwidthSolidus + kPlain), Text("CLSID\\" + kPlain + "\\CLSID", kX)}),
         {}, kXLine, 0, {kXTypeLib, kXClass}},
        {"Typelib value naming a library with a brace short passed over",
         World({Text(typeLibKey, "{7E000000-0000-0000-0000-0000000000E1"),
                Key("TypeLib\\{7E000000-0000-0000-0000-0000000000E1")}),
         {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
    };
    // A ProgID value naming a shared root of the class store, with a "CLSID"
    // subkey added there to name X: passed over, the root left as it was,
    // whether or not it holds registrations of its own.
    const char* const roots[] = {"CLSID", "clsid", "TypeLib", "Interface", "AppID", "Component Categories",
                                 "*", ".ocx", ".Talven"};
    for (const char* name : roots) {
        cases.push_back({std::string("ProgID value \"") + name + "\" with a forged CLSID passed over",
                         World({Text(progIdKey, name), Text(std::string(name) + "\\CLSID", kX)}), {}, kXLine, 0,
                         {kXTypeLib, kXClass}});
    }
    // Keys of no name talven knows that hold what no ProgID tree holds: a
    // registration under an identifier, or more keys than any ProgID has.
    std::vector<KeyDef> crowded = {Text(progIdKey, "Crowded"), Text("Crowded\\CLSID", kX)};
    for (int i = 0; i < 63; ++i)
        crowded.push_back(Key("Crowded\\k" + std::to_string(i)));
    cases.push_back({"ProgID value naming a store of registrations passed over",
                     World({Text(progIdKey, "Vault"), Text("Vault\\CLSID", kX),
                            Text("Vault\\Entries\\" + kPlain, "entry")}),
                     {}, kXLine, 0, {kXTypeLib, kXClass}});
    cases.push_back({"ProgID value naming a tree of 65 keys passed over", World(crowded), {}, kXLine, 0,
                     {kXTypeLib, kXClass}});
    crowded.pop_back();
    cases.push_back({"ProgID tree of 64 keys deleted", World(crowded), {}, kXLine, 0,
                     {"Crowded", kXTypeLib, kXClass}});
    return cases;
}

// Genuine ProgIDs are spelled every way: without a period, with spaces or
// underscores, longer than COM's 39 characters. Each one that names X back
// goes with X.
std::vector<TreeCase> SpellingCases()
{
    const char* const names[] = {
        "StdFont", "htmlfile", "VBScript Author", "htmlfile_FullWindowEmbed", "Talven..Xanthe", "Talven.Xanthe.",
        "1Talven", "Microsoft.DirectMusicScriptAutoImpAudioPathConfig.1", "Talven-X {1}", "Talven.Xanthe",
    };
    std::vector<TreeCase> cases;
    for (const char* name : names) {
        cases.push_back({std::string("ProgID \"") + name + "\"",
                         World({Text(kXClass + "\\ProgID", name), Text(name, "Xanthe Gauge"),
                                Text(std::string(name) + "\\CLSID", kX),
                                Text(std::string(name) + "\\shell\\open\\command", "x.exe")}),
                         {}, kXLine, 0, {name, kXTypeLib, kXClass}});
    }
    return cases;
}

class Removal : public ClearedRegistry<testing::TestWithParam<TreeCase>> {};

// RemoveControl works in a room of the caller's, as the dialog gives it.
ResultCode Remove(const std::string& line)
{
    char room[kLineRoom];
    EXPECT_LT(line.size(), sizeof room);
    std::strncpy(room, line.c_str(), sizeof room - 1);
    room[sizeof room - 1] = '\0';
    return RemoveControl(room);
}

TEST_P(Removal, RemovesExactlyTheControl)
{
    ExpectOnlyTreesGone(GetParam(), Remove);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Plan {
    std::vector<std::string> entered;
    std::vector<std::string> left;
    std::vector<std::string> refused;
};

ResultCode NoteKey(HKEY, const char* path, KeyVisit visit, void* context)
{
    Plan* plan = static_cast<Plan*>(context);
    if (visit == kRefusingKey) {
        plan->refused.push_back(Lower(path));
        return ERROR_SUCCESS;
    }
    (visit == kEnteringKey ? plan->entered : plan->left).push_back(Lower(path));
    return ERROR_SUCCESS;
}

// The plan changes nothing, and names exactly the keys the removal that
// follows it deletes: each entered once and left once, children before
// their parent, in the order the removal takes them.
TEST_P(Removal, PlanNamesWhatTheRemovalThenDeletes)
{
    const TreeCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(LayDenying(c.layout, c.denied));
    const std::vector<std::string> before = Snapshot();
    char room[kLineRoom];
    std::strcpy(room, c.input.c_str());
    Plan plan;
    RemovalWatch watch = {};
    watch.keys = NoteKey;
    watch.context = &plan;
    const ResultCode planned = PlanRemoval(room, kShownScope, watch);
    EXPECT_EQ(Snapshot(), before);
    if (!c.denied.empty())
        return;  // a key refusing deletion is not known until it is deleted
    EXPECT_EQ(planned, c.result);
    // A link refused, on the way to a tree or in it: the plan says where.
    if (planned == kLinkRefused) {
        ASSERT_FALSE(plan.refused.empty());
        EXPECT_TRUE(c.input.empty() || !plan.refused.back().empty());
    }
    if (planned != 0)
        return;
    std::vector<std::string> sorted = plan.entered;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> leftSorted = plan.left;
    std::sort(leftSorted.begin(), leftSorted.end());
    EXPECT_EQ(sorted, leftSorted);
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    for (size_t i = 0; i < plan.left.size(); ++i) {
        for (size_t j = i + 1; j < plan.left.size(); ++j)
            EXPECT_FALSE(InsideTree(plan.left[j], plan.left[i])) << plan.left[j] << " after its parent";
    }

    EXPECT_EQ(Remove(c.input), 0);
    const std::vector<std::string> stayed = Snapshot();
    std::vector<std::string> deleted;
    for (const std::string& line : before) {
        if (std::find(stayed.begin(), stayed.end(), line) == stayed.end())
            deleted.push_back(Lower(line.substr(0, std::min(line.find(" = "), line.find(" ->")))));
    }
    // Every key planned is gone, and every key gone was planned (a 32-bit
    // view under Wine reaches "TypeLib" through a link, which a snapshot
    // does not follow).
    for (const std::string& key : deleted)
        EXPECT_TRUE(std::binary_search(sorted.begin(), sorted.end(), key)) << key << " deleted, not planned";
    for (const std::string& key : sorted)
        EXPECT_FALSE(KeyExists(key)) << key << " planned, not deleted";
#ifndef _WIN32
    std::vector<std::string> order;
    for (const std::string& path : keystore::DeletedKeys())
        order.push_back(Lower(path));
    EXPECT_EQ(order, plan.left);
#endif
}

INSTANTIATE_TEST_SUITE_P(Cases, Removal, testing::ValuesIn(RemovalCases()));
INSTANTIATE_TEST_SUITE_P(Spellings, Removal, testing::ValuesIn(SpellingCases()));
INSTANTIATE_TEST_SUITE_P(Hostile, Removal, testing::ValuesIn(HostileCases()));

// In code page 932 (and 936, 949, 950) a character's second byte may be
// that of "\\": such names, spelt exactly, are removed like any other,
// while a character the page lacks is still refused. Under Wine the test
// runs with LC_ALL=ja_JP.UTF-8, which gives it that code page.
std::vector<TreeCase> DoubleByteCases()
{
    const std::vector<std::string> xTrees = {"Talven.Xanthe.1", kXTypeLib, kXClass};
    const std::string kanjiProgId = kHyouji + ".Control.1";
    return {
        {"ProgID in kanji whose second bytes are those of a backslash",
         World({Text(kXClass + "\\ProgID", kanjiProgId), Text(kanjiProgId, "Xanthe Gauge"),
                Text(kanjiProgId + "\\CLSID", kX)}),
         {}, kXLine, 0, {kanjiProgId, kXTypeLib, kXClass}},
        {"class tree holding kanji names", World({Key(kXClass + "\\" + kSoJuu + "\\" + kHyouji)}), {}, kXLine, 0,
         xTrees},
        {"fullwidth backslash, a character of the page's own, beside the path it is not",
         World({Key(kXClass + "\\Sub" + kFullwidthSolidus + "Leaf"), Key(kXClass + "\\Sub\\Leaf")}), {}, kXLine, 0,
         xTrees},
        {"a character the page lacks still refused", World({Key(kXClass + "\\Caf\xc3\xa9")}), {}, kXLine,
         ERROR_NO_UNICODE_TRANSLATION, {}},
    };
}

class DoubleByte : public Removal {
protected:
    void SetUp() override
    {
        Removal::SetUp();
#ifdef _WIN32
        ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
#else
        keystore::SetCodePage(keystore::CodePage::k932);
#endif
    }
};

TEST_P(DoubleByte, RemovesExactlyTheControl)
{
    ExpectOnlyTreesGone(GetParam(), Remove);
}

INSTANTIATE_TEST_SUITE_P(CodePage932, DoubleByte, testing::ValuesIn(DoubleByteCases()));

// Controls of one server share its type library, and two of them here one
// ProgID: in every order, each removal succeeds, the last of them takes the
// library, the shared ProgID goes with the class it names, and at the end
// exactly the three registrations are gone.
class SharedTrees : public ClearedRegistry<testing::TestWithParam<std::vector<int>>> {};

TEST_P(SharedTrees, EveryControlOfALibraryIsRemovedInAnyOrder)
{
    const ControlDef z = {"{5E000000-0000-0000-0000-00000000000E}", "Zinnia Meter", "C:\\Ctl\\xanthe.ocx",
                          "Talven.Yarrow.1", kLib};
    const ControlDef controls[] = {kXControl, kYControl, z};
    // Z claims Y's ProgID, which names Y.
    ASSERT_NO_FATAL_FAILURE(Lay(Join({World(), ControlKeys(kYControl),
                                      {Text("CLSID\\" + z.clsid, z.name), Key("CLSID\\" + z.clsid + "\\Control"),
                                       Text("CLSID\\" + z.clsid + "\\InprocServer32", z.server),
                                       Text("CLSID\\" + z.clsid + "\\ProgID", z.progId),
                                       Text("CLSID\\" + z.clsid + "\\Typelib", z.typeLib)}})));
    const std::vector<std::string> before = Snapshot();
    for (int which : GetParam()) {
        SCOPED_TRACE(controls[which].name);
        EXPECT_EQ(Remove(EntryLine(controls[which])), 0);
        EXPECT_FALSE(KeyExists("CLSID\\" + controls[which].clsid));
        // The library goes with the last of them.
        bool anyLeft = false;
        for (const ControlDef& each : controls)
            anyLeft = anyLeft || KeyExists("CLSID\\" + each.clsid);
        EXPECT_EQ(KeyExists(kXTypeLib), anyLeft);
        // Y's ProgID stays until Y itself goes.
        EXPECT_EQ(KeyExists("Talven.Yarrow.1"), KeyExists("CLSID\\" + kY));
    }
    EXPECT_EQ(Snapshot(), WithoutTrees(before, {"Talven.Xanthe.1", "Talven.Yarrow.1", kXTypeLib, kXClass,
                                                "CLSID\\" + kY, "CLSID\\" + z.clsid}));
}

INSTANTIATE_TEST_SUITE_P(Orders, SharedTrees,
                         testing::Values(std::vector<int>{0, 1, 2}, std::vector<int>{0, 2, 1},
                                         std::vector<int>{1, 0, 2}, std::vector<int>{1, 2, 0},
                                         std::vector<int>{2, 0, 1}, std::vector<int>{2, 1, 0}));

}  // namespace removal_test
