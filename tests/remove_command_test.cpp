// The Remove command end to end: the real talven.exe, a registry laid out
// here, the confirmation and error boxes answered from outside, and the
// registry checked after every step.
#include <gtest/gtest.h>

#include <windows.h>

#include "registry_fixture.h"
#include "resource.h"
#include "talven_driver.h"

namespace {

const std::string kShared = "{7A000000-0000-0000-0000-0000000000A1}";
const std::string kOwn = "{7B000000-0000-0000-0000-0000000000B1}";

const ControlDef kAmber = {"{3A000000-0000-0000-0000-000000000001}", "Amber Calendar",
                           "C:\\Controls\\amber.ocx", "Talven.Amber.1", kShared};
const ControlDef kBirch = {"{3B000000-0000-0000-0000-000000000002}", "Birch Meter",
                           "C:\\Controls\\birch.ocx", "Talven.Birch.1", kShared};
const ControlDef kCedar = {"{3C000000-0000-0000-0000-000000000003}", "Cedar Clock",
                           "C:\\Controls\\cedar.ocx", "", ""};
const ControlDef kCypress = {"{3D000000-0000-0000-0000-000000000004}", "Cypress Chart",
                             "C:\\Controls\\cypress.ocx", "Talven.Cypress.1", kOwn};
const ControlDef kDune = {"{3E000000-0000-0000-0000-000000000005}", "Dune Slider",
                          "C:\\Controls\\dune.ocx", "", ""};
const ControlDef kElm = {"{3F000000-0000-0000-0000-000000000006}", "Elm Grid",
                         "C:\\Controls\\elm.ocx", "", ""};

const char kConfirmation[] = "This item will be permanently removed from the registry.  Are you sure?";
const char kFailure[] = "An unexpected error occurred while removing the control.";

std::string ClassTree(const ControlDef& control)
{
    return "CLSID\\" + control.clsid;
}

std::vector<KeyDef> Layout()
{
    std::vector<KeyDef> keys = {Key("Interface\\{11111111-0000-0000-0000-000000000000}")};
    for (const ControlDef& control : {kAmber, kBirch, kCedar, kCypress, kDune, kElm}) {
        const std::vector<KeyDef> more = ControlKeys(control);
        keys.insert(keys.end(), more.begin(), more.end());
    }
    // Dune's ProgID names a key that does not exist.
    keys.push_back(Text(ClassTree(kDune) + "\\ProgID", "Talven.Missing.1"));
    return keys;
}

class RemoveCommand : public TalvenTest {
protected:
    // Presses Remove and answers the confirmation; returns the error box
    // that follows, if one does.
    HWND RemoveAnswering(int answer)
    {
        talven_.Command(IDC_REMOVE, BN_CLICKED);
        const HWND confirm = talven_.WaitForBox("Remove Control");
        EXPECT_NE(confirm, nullptr);
        if (confirm == nullptr)
            return nullptr;
        EXPECT_EQ(BoxText(confirm), kConfirmation);
        EXPECT_TRUE(BoxHasIcon(confirm, IDI_QUESTION));
        EXPECT_EQ(BoxButtons(confirm).size(), 2u);
        AnswerBox(confirm, answer);
        talven_.Settle();
        return talven_.FindBox("Error");
    }

    // Removes the selected control and expects it to fail with the one error
    // box, leaving the list, selection, button and details as they were.
    void ExpectFailedRemoval()
    {
        const std::vector<std::string> lines = talven_.Lines();
        const int selection = talven_.Selection();
        const std::string details = talven_.Details();
        const HWND error = RemoveAnswering(IDYES);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(BoxText(error), kFailure);
        EXPECT_TRUE(BoxHasIcon(error, IDI_HAND));
        AnswerBox(error, IDOK);
        talven_.Settle();
        EXPECT_EQ(talven_.FindBox("Error"), nullptr);
        EXPECT_EQ(talven_.Lines(), lines);
        EXPECT_EQ(talven_.Selection(), selection);
        EXPECT_EQ(talven_.Details(), details);
        EXPECT_TRUE(talven_.RemoveEnabled());
    }

    void ExpectShown(const std::vector<ControlDef>& controls, int selection)
    {
        std::vector<std::string> lines;
        for (const ControlDef& control : controls)
            lines.push_back(EntryLine(control));
        EXPECT_EQ(talven_.Lines(), lines);
        EXPECT_EQ(talven_.Selection(), selection);
        EXPECT_EQ(talven_.Details(), lines[selection]);
        EXPECT_TRUE(talven_.RemoveEnabled());
    }
};

TEST_F(RemoveCommand, RemovesConfirmedControlsAndReportsEveryFailure)
{
    ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
    // Cypress's class tree refuses deletion below its top.
    ASSERT_NO_FATAL_FAILURE(DenyWrite(ClassTree(kCypress) + "\\Control"));
    std::vector<std::string> registry = Snapshot();
    ASSERT_TRUE(talven_.Start());
    ExpectShown({kAmber, kBirch, kCedar, kCypress, kDune, kElm}, 0);

    // No changes nothing.
    talven_.Select(2);
    EXPECT_EQ(RemoveAnswering(IDNO), nullptr);
    ExpectShown({kAmber, kBirch, kCedar, kCypress, kDune, kElm}, 2);
    EXPECT_EQ(Snapshot(), registry);

    // Yes removes Cedar; the line that moves up into its place is selected.
    EXPECT_EQ(RemoveAnswering(IDYES), nullptr);
    registry = WithoutTrees(registry, {ClassTree(kCedar)});
    EXPECT_EQ(Snapshot(), registry);
    ExpectShown({kAmber, kBirch, kCypress, kDune, kElm}, 2);

    // Cypress: its ProgID and type library go, then its class tree refuses.
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    registry = WithoutTrees(registry, {kCypress.progId, "TypeLib\\" + kOwn});
    EXPECT_EQ(Snapshot(), registry);
    // Again: now its ProgID names nothing, and nothing more goes.
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    EXPECT_EQ(Snapshot(), registry);

    // Dune's ProgID names no key: nothing goes, twice.
    talven_.Select(3);
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    EXPECT_EQ(Snapshot(), registry);

    // The last line: the new last line is selected.
    talven_.Select(4);
    EXPECT_EQ(RemoveAnswering(IDYES), nullptr);
    registry = WithoutTrees(registry, {ClassTree(kElm)});
    EXPECT_EQ(Snapshot(), registry);
    ExpectShown({kAmber, kBirch, kCypress, kDune}, 3);

    // Amber takes the type library it shares with Birch.
    talven_.Select(0);
    EXPECT_EQ(RemoveAnswering(IDYES), nullptr);
    registry = WithoutTrees(registry, {kAmber.progId, "TypeLib\\" + kShared, ClassTree(kAmber)});
    EXPECT_EQ(Snapshot(), registry);
    ExpectShown({kBirch, kCypress, kDune}, 0);

    // Birch then loses its ProgID and fails at the library; then at the ProgID.
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    registry = WithoutTrees(registry, {kBirch.progId});
    EXPECT_EQ(Snapshot(), registry);
    EXPECT_TRUE(KeyExists(ClassTree(kBirch)));
    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    EXPECT_EQ(Snapshot(), registry);

    talven_.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

TEST_F(RemoveCommand, RemovingTheOnlyLineLeavesAnEmptyList)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kCedar)));
    ASSERT_TRUE(talven_.Start());
    EXPECT_EQ(RemoveAnswering(IDYES), nullptr);
    EXPECT_FALSE(KeyExists(ClassTree(kCedar)));
    EXPECT_TRUE(talven_.Lines().empty());
    EXPECT_EQ(talven_.Selection(), -1);
    EXPECT_FALSE(talven_.RemoveEnabled());
    EXPECT_EQ(talven_.Details(), "");

    PostMessageA(talven_.dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

}  // namespace
