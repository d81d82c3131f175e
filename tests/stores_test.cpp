// One removal, one store: where HKEY_CLASSES_ROOT merges the user's class
// store over the machine's, a removal reads, decides and deletes in the
// store of the class key it was given alone; per-user keys anyone may write
// never make it delete a machine-wide one, and the reverse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "controls.h"
#include "registry_fixture.h"
#include "stores.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace stores_test {

const std::string kX = "{9A000000-0000-0000-0000-00000000000A}";
const std::string kU = "{9B000000-0000-0000-0000-00000000000B}";
const std::string kZ = "{9C000000-0000-0000-0000-00000000000C}";
const std::string kLib = "{9E000000-0000-0000-0000-0000000000E1}";
const std::string kUserLib = "{9F000000-0000-0000-0000-0000000000F1}";

const ControlDef kXControl = {kX, "Xeric Gauge", "C:\\Ctl\\xeric.ocx", "Talven.Xeric.1", kLib};
const ControlDef kUControl = {kU, "Umbra Dial", "C:\\Users\\u\\umbra.ocx", "Talven.Umbra.1", kUserLib};

const std::string kXClass = "CLSID\\" + kX;
const std::string kUClass = "CLSID\\" + kU;

// A class key registered as a control, without ProgID or library.
std::vector<KeyDef> BareControl(const std::string& clsid, const std::string& name)
{
    return {Text("CLSID\\" + clsid, name), Key("CLSID\\" + clsid + "\\Control"),
            Text("CLSID\\" + clsid + "\\InprocServer32", "C:\\Users\\u\\toolbar.ocx")};
}

std::string User(const std::string& path)
{
    return kUserPath + path;
}

std::vector<TreeCase> StoreCases()
{
    const std::string xLine = EntryLine(kXControl);
    // What the user's copy of X below builds, which the merged view shows.
    const std::string userXLine = "Xeric Gauge\t" + kX + "\tC:\\Users\\u\\toolbar.ocx";
    const std::string machineX[] = {"Talven.Xeric.1", "TypeLib\\" + kLib, kXClass};
    return {
        {"a per-user copy of a machine control under a name of its own",
         Join({ControlKeys(kXControl), InUserStore(BareControl(kX, "Old toolbar"))}), {},
         "Old toolbar\t" + kX + "\tC:\\Users\\u\\toolbar.ocx", 0, {User(kXClass)}},
        {"a per-user class naming the machine's ProgID, which names it back",
         Join({ControlKeys(kXControl),
               InUserStore(Join({BareControl(kX, "Xeric Gauge"), {Text(kXClass + "\\ProgID", "Talven.Xeric.1")}}))}),
         {}, userXLine, 0, {User(kXClass)}},
        // The machine's registration of X names the same ProgID, which the
        // merged view then still resolves through the user's key.
        {"a per-user ProgID key hiding the machine's, kept for the machine's registration",
         Join({ControlKeys(kXControl),
               InUserStore(Join({BareControl(kX, "Xeric Gauge"),
                                 {Text(kXClass + "\\ProgID", "Talven.Xeric.1"), Text("Talven.Xeric.1\\CLSID", kX)}}))}),
         {}, userXLine, 0, {User(kXClass)}},
        // The line confirmed decides, not which store holds a copy: the
        // machine's line takes the machine's registration; a line no store
        // builds any more takes nothing.
        {"the machine's line confirmed while the user's store holds another copy of the class",
         Join({ControlKeys(kXControl), InUserStore(BareControl(kX, "Old toolbar"))}), {}, xLine, 0,
         {machineX[0], machineX[1], machineX[2]}},
        {"a line that neither store's registration builds any more",
         Join({ControlKeys(kXControl), InUserStore(BareControl(kX, "Old toolbar"))}), {},
         "Xeric Gauge\t" + kX + "\tC:\\Ctl\\moved\\xeric.ocx", kRegistrationChanged, {}},
        {"a per-user class naming a machine library no machine class names",
         Join({{Text("TypeLib\\" + kLib + "\\1.0", "Machine library")},
               InUserStore(Join({BareControl(kZ, "Zephyr"), {Text("CLSID\\" + kZ + "\\Typelib", kLib)}}))}),
         {}, "Zephyr\t" + kZ + "\tC:\\Users\\u\\toolbar.ocx", 0, {User("CLSID\\" + kZ)}},
        {"a machine control whose ProgID key the user's store also holds",
         Join({ControlKeys(kXControl), InUserStore({Text("Talven.Xeric.1\\CLSID", kX)})}), {}, xLine, 0,
         {machineX[0], machineX[1], machineX[2]}},
        {"a genuine per-user control with its own ProgID and library", InUserStore(ControlKeys(kUControl)), {},
         EntryLine(kUControl), 0, {User(kUClass), User("Talven.Umbra.1"), User("TypeLib\\" + kUserLib)}},
        // Counting the library's users counts either store: keeping too much
        // is the safe way to be wrong.
        {"a per-user library that a machine class also names",
         Join({InUserStore(ControlKeys(kUControl)), {Text("CLSID\\" + kZ + "\\Typelib", kUserLib)}}), {},
         EntryLine(kUControl), 0, {User(kUClass), User("Talven.Umbra.1")}},
        {"a machine library that a per-user class also names",
         Join({ControlKeys(kXControl), InUserStore({Text("CLSID\\" + kZ + "\\Typelib", kLib)})}), {}, xLine, 0,
         {machineX[0], machineX[2]}},
        {"a per-user copy naming a library of its own that the machine's registration names too",
         Join({ControlKeys(kXControl),
               InUserStore(Join({BareControl(kX, "Old toolbar"),
                                 {Text(kXClass + "\\Typelib", kLib), Text("TypeLib\\" + kLib + "\\1.0", "copy")}}))}),
         {}, "Old toolbar\t" + kX + "\tC:\\Users\\u\\toolbar.ocx", 0, {User(kXClass)}},
        {"a link in a per-user class tree to a machine key",
         Join({ControlKeys(kXControl), InUserStore(Join({ControlKeys(kUControl), {Link(kUClass + "\\Trap", kXClass)}}))}),
         {}, EntryLine(kUControl), kLinkRefused, {}},
    };
}

class Stores : public ClearedRegistry<testing::TestWithParam<TreeCase>> {};

ResultCode RemoveIn(const Scope& scope, const std::string& line)
{
    char room[kLineRoom];
    std::strncpy(room, line.c_str(), sizeof room - 1);
    room[sizeof room - 1] = '\0';
    return RemoveControlReporting(room, scope, {});
}

ResultCode Remove(const std::string& line)
{
    return RemoveIn(kShownScope, line);
}

TEST_P(Stores, RemovesFromTheStoreOfTheClassAlone)
{
    ExpectOnlyTreesGone(GetParam(), Remove);
}

INSTANTIATE_TEST_SUITE_P(Cases, Stores, testing::ValuesIn(StoreCases()));

// After the user's copy goes, the view shows the machine's registration of
// the class again; a removal that took the last copy leaves nothing shown.
TEST(StoresShown, TheOtherStoresRegistrationShowsAfterARemoval)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kXControl), InUserStore(BareControl(kX, "Old toolbar"))})));
    char shown[kLineRoom];
    ASSERT_EQ(Remove("Old toolbar\t" + kX + "\tC:\\Users\\u\\toolbar.ocx"), 0);
    ASSERT_EQ(ShownControlLine(kShownScope, EntryLine(kXControl).c_str(), shown), 0);
    EXPECT_STREQ(shown, EntryLine(kXControl).c_str());
    ASSERT_EQ(Remove(EntryLine(kXControl)), 0);
    EXPECT_NE(ShownControlLine(kShownScope, EntryLine(kXControl).c_str(), shown), 0);
    ResetRegistry();
}

#ifndef _WIN32
// Windows' merged view builds a line from both stores where the user's
// store holds a copy of a machine control's class key with a name and a
// server of its own but no "Control": no store builds it alone. The user's
// copy, which the view reads first, is what goes; the machine's
// registration, whole, then shows as its own line. (Wine merges nothing.)
TEST(StoresShown, ALineTheViewBuildsFromBothStoresTakesTheUsersCopy)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kXControl), InUserStore({Text(kXClass, "Partial Gauge"),
                                       Text(kXClass + "\\InprocServer32", "C:\\Users\\u\\partial.ocx")})})));
    const std::string merged = "Partial Gauge\t" + kX + "\tC:\\Users\\u\\partial.ocx";
    EXPECT_EQ(ListControls(), std::vector<std::string>{merged});
    const std::vector<std::string> before = Snapshot();
    EXPECT_EQ(Remove(merged), 0);
    EXPECT_EQ(Snapshot(), WithoutTrees(before, {User(kXClass)}));
    EXPECT_EQ(keystore::DeletionsThroughClassesRoot(), 0);
    char shown[kLineRoom];
    ASSERT_EQ(ShownControlLine(kShownScope, merged.c_str(), shown), 0);
    EXPECT_STREQ(shown, EntryLine(kXControl).c_str());
    EXPECT_EQ(ListControls(), std::vector<std::string>{EntryLine(kXControl)});
    ResetRegistry();
}

// A standard user: the machine's hive refuses writing. The user's store
// alone is listed and cleared without asking more of the machine's.
TEST(StoresShown, AStandardUserClearsTheirOwnStore)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kXControl), InUserStore(ControlKeys(kUControl))})));
    keystore::DenyMachineWrites(true);
    const std::vector<std::string> before = Snapshot();
    const Scope userAlone = {kUserStoreOnly, 0};
    const std::vector<std::string> lines = ListScopeControls(userAlone);
    const ResultCode removed = RemoveIn(userAlone, EntryLine(kUControl));
    const ResultCode refused = RemoveIn(userAlone, EntryLine(kXControl));
    EXPECT_EQ(lines, std::vector<std::string>{EntryLine(kUControl)});
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(refused, ERROR_FILE_NOT_FOUND) << "the machine's control is no registration of the user's store";
    EXPECT_EQ(Snapshot(), WithoutTrees(before, {User(kUClass), User("Talven.Umbra.1"), User("TypeLib\\" + kUserLib)}));
    // The program's own way, unelevated: the machine's control cannot go.
    EXPECT_EQ(Remove(EntryLine(kXControl)), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(kXClass));
    ResetRegistry();
}

// Each scope lists, and removes from, the stores it names and no other,
// whichever scope came before it: the machine's control X, the user's U,
// and a per-user copy of X that builds another line.
TEST(StoresShown, EachScopeListsAndRemovesInItsOwnStores)
{
    const std::string copyOfX = "Old toolbar\t" + kX + "\tC:\\Users\\u\\toolbar.ocx";
    const struct {
        StoreChoice stores;
        std::vector<std::string> listed;
        ResultCode removingX;  // the machine's line of X
        bool machineXGone;
    } cases[] = {
        {kShownStore, {copyOfX, EntryLine(kUControl)}, 0, true},
        {kMachineStoreOnly, {EntryLine(kXControl)}, 0, true},
        {kUserStoreOnly, {copyOfX, EntryLine(kUControl)}, kRegistrationChanged, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stores);
        ResetRegistry();
        ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kXControl), InUserStore(ControlKeys(kUControl)),
                                          InUserStore(BareControl(kX, "Old toolbar"))})));
        const Scope scope = {c.stores, 0};
        std::vector<std::string> listed = ListScopeControls(scope);
        std::sort(listed.begin(), listed.end());
        std::vector<std::string> expected = c.listed;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(RemoveIn(scope, EntryLine(kXControl)), c.removingX);
        EXPECT_EQ(KeyExists(kXClass), !c.machineXGone);
        EXPECT_TRUE(KeyExists(User(kXClass))) << "the user's copy is no registration of that line";
    }
    ResetRegistry();
}
#endif

}  // namespace stores_test
