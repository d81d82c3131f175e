// Every registry call of a realistic removal failed in turn, on the host's
// key store: the failure either ends the removal with its code, having
// deleted only the start of the full removal's deletion order, or is one the
// removal passes over; and no handle is ever left open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "controls.h"
#include "key_text.h"
#include "keystore.h"
#include "registry_fixture.h"

namespace fault_injection_test {

constexpr LONG kInjected = 31;  // ERROR_GEN_FAILURE: a code nothing else returns

const ControlDef kControl = {"{5A000000-0000-0000-0000-00000000000A}", "Xanthe Gauge",
                             "C:\\Ctl\\xanthe.ocx", "Talven.Xanthe.1",
                             "{7E000000-0000-0000-0000-0000000000E1}"};

std::vector<KeyDef> Layout()
{
    const std::string classPath = "CLSID\\" + kControl.clsid;
    return Join({ControlKeys(kControl), {
        Text(classPath + "\\VersionIndependentProgID", "Talven.Xanthe"),
        Text(classPath + "\\MiscStatus\\1", "131473"),
        Text("Talven.Xanthe", "Xanthe Gauge"),
        Text("Talven.Xanthe\\CLSID", kControl.clsid),
        Text("Talven.Xanthe\\CurVer", "Talven.Xanthe.1"),
        Text("TypeLib\\" + kControl.typeLib + "\\2.0\\0\\win32", "x2.ocx"),
    }});
}

ResultCode RemoveOnce()
{
    char room[kLineRoom];
    std::strcpy(room, EntryLine(kControl).c_str());
    return RemoveControl(room);
}

bool IsPrefix(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

bool Concerns(const std::string& call, const char* subkey)
{
    return call == std::string("RegOpenKeyExA ") + subkey || call == std::string("RegQueryValueExA ") + subkey ||
           call == std::string("RegQueryValueExW ") + subkey;
}

TEST(FaultInjection, EachFailedCallEndsTheRemovalCleanly)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
    keystore::RecordCalls(true);
    ASSERT_EQ(RemoveOnce(), 0);
    const std::vector<std::string> fullOrder = keystore::DeletedKeys();
    const std::vector<std::string> calls = keystore::CallLog();
    ASSERT_GE(fullOrder.size(), 12u);
    // The removal starts with the calls its plan makes, less the plan's
    // last, which closes the class key.
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
    keystore::RecordCalls(true);
    char planRoom[kLineRoom];
    std::strcpy(planRoom, EntryLine(kControl).c_str());
    ASSERT_EQ(PlanRemoval(planRoom, kShownScope, {}), 0);
    const size_t planning = keystore::CallLog().size() - 1;

    for (size_t n = 1; n <= calls.size(); ++n) {
        const std::string& call = calls[n - 1];
        SCOPED_TRACE("failing call " + std::to_string(n) + ": " + call);
        ResetRegistry();
        ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
        keystore::FailCall(static_cast<long>(n), kInjected);

        const ResultCode result = RemoveOnce();
        const std::vector<std::string> deleted = keystore::DeletedKeys();

        EXPECT_EQ(keystore::OpenHandleCount(), 0);
        // Every enumeration of the plan is of a walk that must see all (the
        // look for the library's other users among them, where a gap could
        // hide one), so none may fail unnoticed.
        if (call.rfind("RegEnumKey", 0) == 0 && n <= planning) {
            EXPECT_EQ(result, kInjected);
        }
        if (result != 0) {
            // An enumeration that fails ends the loop; the key's own deletion,
            // refused while it has subkeys, then decides the result.
            const bool enumeration = call.rfind("RegEnumKey", 0) == 0;
            EXPECT_TRUE(result == kInjected || (enumeration && result == ERROR_ACCESS_DENIED)) << result;
            EXPECT_TRUE(IsPrefix(deleted, fullOrder));
            EXPECT_TRUE(keystore::Exists("CLSID\\" + kControl.clsid));
        } else if (Concerns(call, "ProgID")) {
            EXPECT_EQ(deleted, WithoutTrees(fullOrder, {kControl.progId}));
        } else if (Concerns(call, "Typelib")) {
            EXPECT_EQ(deleted, WithoutTrees(fullOrder, {"TypeLib\\" + kControl.typeLib}));
        } else {
            // Closing, an enumeration of a key without subkeys, or the look
            // at a tree's top name once the top went through its handle,
            // which counts only what it sees.
            const std::string name = call.substr(call.find(' ') + 1);
            const bool lookAfter = n >= 3 && calls[n - 3] == "NtDeleteKey " + name &&
                                   calls[n - 2] == "RegCloseKey " + name && call == "RegOpenKeyExA " + name;
            EXPECT_TRUE(call.rfind("RegCloseKey", 0) == 0 || call.rfind("RegEnumKey", 0) == 0 || lookAfter);
            EXPECT_EQ(deleted, fullOrder);
        }
    }
    ResetRegistry();
}

// The read-only walk before a removal says a tree is fine only when it saw
// all of it: any call of its that fails but a close makes it refuse, since
// what it did not see could be a link.
TEST(FaultInjection, AWalkThatCannotSeeTheWholeTreeRefuses)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay({Key("T\\A\\A1"), Key("T\\B"), Key("T\\C\\C1")}));
    keystore::RecordCalls(true);
    ASSERT_EQ(CheckKeyTree("T", nullptr, nullptr), 0);
    const std::vector<std::string> calls = keystore::CallLog();
    ASSERT_GE(calls.size(), 20u);
    bool belowTop = false;
    for (size_t n = 1; n <= calls.size(); ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n) + ": " + calls[n - 1]);
        keystore::FailCall(static_cast<long>(n), kInjected);
        const ResultCode result = CheckKeyTree("T", nullptr, nullptr);
        if (calls[n - 1].rfind("RegCloseKey", 0) == 0)
            EXPECT_EQ(result, 0);
        else
            EXPECT_EQ(result, kInjected);
        EXPECT_EQ(keystore::OpenHandleCount(), 0);
        EXPECT_TRUE(keystore::DeletedKeys().empty());
        // A key inside the tree gone between its listing and its open: the
        // tree changed, which is not the same as a tree already gone.
        if (belowTop && calls[n - 1].rfind("RegOpenKeyExA ", 0) == 0) {
            keystore::FailCall(static_cast<long>(n), ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(CheckKeyTree("T", nullptr, nullptr), ERROR_KEY_DELETED);
        }
        belowTop = belowTop || calls[n - 1] == "RegOpenKeyExA T";
    }
    keystore::FailCall(0, 0);
    ResetRegistry();
}

// A key that can be opened but not deleted: its subtrees go, it stays.
TEST(FaultInjection, KeyRefusingOnlyItsDeletionKeepsItselfNotItsChildren)
{
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay({Key("T\\A\\A1"), Key("T\\B\\B1"), Key("T\\B\\B2"), Key("T\\C")}));
    ASSERT_TRUE(keystore::SetAccess("T\\B", keystore::Access::kNoDelete));
    EXPECT_EQ(DeleteKeyTree("T"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(keystore::DeletedKeys(),
              (std::vector<std::string>{"T\\A\\A1", "T\\A", "T\\B\\B1", "T\\B\\B2"}));
    EXPECT_EQ(Snapshot(), (std::vector<std::string>{"T", "T\\B", "T\\C"}));
    EXPECT_EQ(keystore::OpenHandleCount(), 0);
    ResetRegistry();
}

// Another program's swap between two calls of a removal: a key of the
// control's trees renamed away and a link to a key outside them put in its
// place, at a tree's top, in its middle and at a leaf, before each call of
// the removal in turn: during the walk that checks the trees and during
// their deletion. Whatever the moment, the link's target and everything
// else outside the trees stays; a swap that found its key makes the
// removal fail, saying what it met; no handle stays open.
TEST(FaultInjection, AKeySwappedForALinkMidRemovalNeverLeadsTheDeletionOut)
{
    const std::string classTree = "CLSID\\" + kControl.clsid;
    const std::string typeLibTree = "TypeLib\\" + kControl.typeLib;
    const std::vector<KeyDef> victim = {Text("Victim", "v"), Text("Victim\\Leaf", "leaf"), Key("Victim\\Leaf\\Deep")};
    ResetRegistry();
    ASSERT_NO_FATAL_FAILURE(Lay(Join({Layout(), victim})));
    keystore::RecordCalls(true);
    ASSERT_EQ(RemoveOnce(), 0);
    const size_t calls = keystore::CallLog().size();
    ASSERT_GE(calls, 100u);
    const std::vector<std::string> swapped = {classTree, typeLibTree + "\\2.0", kControl.progId + "\\CLSID",
                                              classTree + "\\MiscStatus\\1"};
    for (const std::string& key : swapped) {
        const std::string moved = key + ".moved";
        const std::string name = key.substr(key.rfind('\\') + 1);
        const std::vector<std::string> trees = {classTree, typeLibTree, kControl.progId,
                                                key.substr(0, key.size() - name.size()) + name + ".moved"};
        for (size_t n = 1; n <= calls; ++n) {
            SCOPED_TRACE(key + " swapped before call " + std::to_string(n));
            ResetRegistry();
            ASSERT_NO_FATAL_FAILURE(Lay(Join({Layout(), victim})));
            const std::vector<std::string> outside = WithoutTrees(Snapshot(), trees);
            bool swappedNow = false;
            keystore::BeforeCall(static_cast<long>(n), [&] {
                swappedNow = keystore::RenameKey(key, name + ".moved") && keystore::CreateLink(key, "Victim\\Leaf\\Deep");
            });
            const ResultCode result = RemoveOnce();
            EXPECT_EQ(WithoutTrees(Snapshot(), trees), outside);
            for (const std::string& gone : keystore::DeletedKeys()) {
                bool inside = false;
                for (const std::string& tree : trees)
                    inside = inside || InsideTree(gone, tree);
                EXPECT_TRUE(inside) << gone;
            }
            if (swappedNow) {
                EXPECT_TRUE(result == kLinkRefused || result == kRegistrationChanged) << result;
            }
            EXPECT_EQ(keystore::OpenHandleCount(), 0);
        }
    }
    ResetRegistry();
}

// A tree found otherwise by the deletion than its walk saw it, as the
// deletion opens its top: a key more, or one fewer. The tree is not the one
// checked any more, so the removal stops with it, before the library and
// the class go, and says the registration changed.
TEST(FaultInjection, ATreeChangedBetweenItsWalkAndItsDeletionStopsTheRemoval)
{
    const struct {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"a key added to the ProgID tree", [] { keystore::CreateKey(kControl.progId + "\\Extra"); }},
        {"a key of the ProgID tree gone",
         [] { RegDeleteKeyA(HKEY_CLASSES_ROOT, (kControl.progId + "\\CLSID").c_str()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetRegistry();
        ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
        keystore::RecordCalls(true);
        ASSERT_EQ(RemoveOnce(), 0);
        const std::vector<std::string> calls = keystore::CallLog();
        size_t opening =
            std::find_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("NtDeleteKey", 0) == 0; }) -
            calls.begin();
        while (opening > 0 && calls[opening] != "RegOpenKeyExA " + kControl.progId)
            --opening;
        ASSERT_GT(opening, 0u);
        ResetRegistry();
        ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
        keystore::BeforeCall(static_cast<long>(opening + 1), c.change);
        EXPECT_EQ(RemoveOnce(), kRegistrationChanged);
        // No more keys go than the walk counted in the ProgID tree: two.
        EXPECT_LE(keystore::DeletedKeys().size(), 2u);
        EXPECT_TRUE(keystore::Exists("CLSID\\" + kControl.clsid));
        EXPECT_TRUE(keystore::Exists("TypeLib\\" + kControl.typeLib));
        EXPECT_EQ(keystore::OpenHandleCount(), 0);
    }
    ResetRegistry();
}

// Failures injected into a scan: the open of "CLSID" fails the scan; any
// other call at most costs the classes it concerns.
TEST(FaultInjection, EachFailedCallOfAScanCostsAtMostItsClass)
{
    ResetRegistry();
    const ControlDef a = {"{A1}", "Alpha", "a.ocx", "", ""};
    const ControlDef b = {"{B2}", "Beta", "b.ocx", "", ""};
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(a)));
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(b)));
    const long callsBefore = keystore::CallCount();
    ResultCode result = -1;
    const std::vector<std::string> all = ListControls(&result);
    ASSERT_EQ(result, 0);
    const long calls = keystore::CallCount() - callsBefore;
    ASSERT_EQ(all.size(), 2u);

    for (long n = 1; n <= calls; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n));
        keystore::FailCall(n, kInjected);
        const std::vector<std::string> lines = ListControls(&result);
        EXPECT_EQ(keystore::OpenHandleCount(), 0);
        if (n == 1) {
            EXPECT_EQ(result, kInjected);
            EXPECT_TRUE(lines.empty());
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(IsPrefix(lines, all) || lines == std::vector<std::string>{all[1]})
                << lines.size();
        }
    }
    keystore::FailCall(0, 0);
    ResetRegistry();
}

}  // namespace fault_injection_test
