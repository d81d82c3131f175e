// Control removal: the three trees that go, in order, and every line or value
// that must make it go no further.
#include <gtest/gtest.h>

#include <cstring>

#include "controls.h"
#include "registry_fixture.h"

namespace {

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
    return {
        {"neither ProgID nor Typelib", World(), {}, EntryLine(kPlainControl), 0, {"CLSID\\" + kPlain}},
        {"ProgID, type library of two versions and class",
         World(), {}, kXLine, 0, {"Talven.Xanthe.1", kXTypeLib, kXClass}},
        {"CLSID named in other case in the line and the ProgID",
         World({Text("Talven.Xanthe.1\\CLSID", "{5a000000-0000-0000-0000-00000000000a}")}), {},
         "Xanthe Gauge\t{5a000000-0000-0000-0000-00000000000a}\tx.ocx", 0,
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
        // With a class of that name there to be deleted, were the path let through.
        {"CLSID path of 60 characters", World({Key("CLSID\\" + std::string(54, 'c') + "\\Control")}), {},
         "X\t" + std::string(54, 'c') + "\tx.ocx", ERROR_FILENAME_EXCED_RANGE, {}},
        {"CLSID path of 59 characters", World({Key("CLSID\\" + std::string(53, 'c') + "\\Control")}), {},
         "X\t" + std::string(53, 'c') + "\tx.ocx", 0, {"CLSID\\" + std::string(53, 'c')}},
        {"class not registered", World(), {}, "Gone\t{00000000-0000-0000-0000-000000000000}\tg.ocx",
         ERROR_FILE_NOT_FOUND, {}},
        {"ProgID naming no key", World({Text(progIdKey, "Talven.Missing.1")}), {}, kXLine,
         ERROR_FILE_NOT_FOUND, {}},
        {"ProgID naming the class root", World({Text(progIdKey, "CLSID")}), {}, kXLine, ERROR_INVALID_NAME, {}},
        {"ProgID naming the type-library root", World({Text(progIdKey, "TypeLib")}), {}, kXLine,
         ERROR_INVALID_NAME, {}},
        {"ProgID naming the interface root", World({Text(progIdKey, "Interface")}), {}, kXLine,
         ERROR_INVALID_NAME, {}},
        {"ProgID naming another class", World({Text(progIdKey, "CLSID\\" + kPlain)}), {}, kXLine,
         ERROR_INVALID_NAME, {}},
        {"ProgID holding a stray backslash", World({Text(progIdKey, "Talven.Xanthe.1\\")}), {}, kXLine,
         ERROR_INVALID_NAME, {}},
        {"ProgID of another class", World({Text(progIdKey, "Talven.Xanthe"), Text("Talven.Xanthe\\CLSID", kPlain)}),
         {}, kXLine, ERROR_INVALID_DATA, {}},
        {"ProgID without a CLSID subkey",
         World({Text(progIdKey, "Talven.Bare"), Text("Talven.Bare", "bare")}), {}, kXLine,
         ERROR_FILE_NOT_FOUND, {}},
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
         kXLine, ERROR_INVALID_NAME, {}},
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
        {"Typelib value naming a library with a brace short passed over",
         World({Text(typeLibKey, "{7E000000-0000-0000-0000-0000000000E1"),
                Key("TypeLib\\{7E000000-0000-0000-0000-0000000000E1")}),
         {}, kXLine, 0, {"Talven.Xanthe.1", kXClass}},
    };
    // A ProgID value naming a root of the class store, or no ProgID at all,
    // with a "CLSID" subkey added there to name X.
    const char* const forged[] = {
        "CLSID", "TypeLib", "Interface", "AppID", "Component Categories", "*", ".ocx",
        "Talven." "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" ".1",  // 40 characters
        "1Talven.Xanthe", "Talven..Xanthe", "Talven.Xanthe.", ".Talven", "Talven Xanthe.1", "Talven_X.1",
    };
    for (const char* name : forged) {
        cases.push_back({std::string("ProgID value \"") + name + "\" with a forged CLSID",
                         World({Text(progIdKey, name), Text(std::string(name) + "\\CLSID", kX)}), {}, kXLine,
                         ERROR_INVALID_NAME, {}});
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

INSTANTIATE_TEST_SUITE_P(Cases, Removal, testing::ValuesIn(RemovalCases()));
INSTANTIATE_TEST_SUITE_P(Hostile, Removal, testing::ValuesIn(HostileCases()));

class SharedTypeLibrary : public ClearedRegistry<> {};

// Two controls naming one type library: the first removal takes the library;
// the second then takes its ProgID tree and fails at the library; a third
// attempt fails already at the ProgID, whose tree is gone.
TEST_F(SharedTypeLibrary, SecondControlFailsAtTheLibraryThenAtItsProgId)
{
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kXControl), ControlKeys(kYControl)})));
    const std::string yClass = "CLSID\\" + kY;
    std::vector<std::string> expected = Snapshot();

    EXPECT_EQ(Remove(EntryLine(kXControl)), 0);
    expected = WithoutTrees(expected, {"Talven.Xanthe.1", kXTypeLib, kXClass});
    EXPECT_EQ(Snapshot(), expected);

    EXPECT_EQ(Remove(EntryLine(kYControl)), ERROR_FILE_NOT_FOUND);
    expected = WithoutTrees(expected, {"Talven.Yarrow.1"});
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_TRUE(KeyExists(yClass));

    EXPECT_EQ(Remove(EntryLine(kYControl)), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Snapshot(), expected);
}

}  // namespace
