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
    // Dune's ProgID names a key that does not exist.
    return Join({{Key("Interface\\{11111111-0000-0000-0000-000000000000}")}, ControlKeys(kAmber),
                 ControlKeys(kBirch), ControlKeys(kCedar), ControlKeys(kCypress), ControlKeys(kDune),
                 ControlKeys(kElm), {Text(ClassTree(kDune) + "\\ProgID", "Talven.Missing.1")}});
}

class RemoveCommand : public TalvenTest {
protected:
    // Presses Remove, checks the confirmation and answers it.
    void Confirm(int answer)
    {
        talven_.Command(IDC_REMOVE, BN_CLICKED);
        const HWND confirm = talven_.WaitForBox("Remove Control");
        ASSERT_NE(confirm, nullptr);
        EXPECT_EQ(BoxText(confirm), kConfirmation);
        EXPECT_TRUE(BoxHasIcon(confirm, IDI_QUESTION));
        EXPECT_EQ(BoxButtons(confirm), (std::vector<std::string>{"&Yes", "&No"}));
        AnswerBox(confirm, answer);
        ASSERT_TRUE(WaitUntilGone(confirm));
    }

    // Answers No: nothing follows, no box and no change.
    void Decline()
    {
        ASSERT_NO_FATAL_FAILURE(Confirm(IDNO));
        talven_.Settle();
        EXPECT_EQ(talven_.FindBox("Error"), nullptr);
    }

    // Answers Yes and expects the control gone from the list and these
    // controls shown, with this selection (-1: none).
    void ExpectRemoved(const std::vector<ControlDef>& left, int selection)
    {
        ASSERT_NO_FATAL_FAILURE(Confirm(IDYES));
        ExpectShown(left, selection);
        EXPECT_EQ(talven_.FindBox("Error"), nullptr);
    }

    // Answers Yes and expects the one error box, and the list, selection,
    // button and details left as they were.
    void ExpectFailedRemoval()
    {
        const std::vector<std::string> lines = talven_.Lines();
        const int selection = talven_.Selection();
        const std::string details = talven_.Details();
        ASSERT_NO_FATAL_FAILURE(Confirm(IDYES));
        const HWND error = talven_.WaitForBox("Error");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(BoxText(error), kFailure);
        EXPECT_TRUE(BoxHasIcon(error, IDI_HAND));
        EXPECT_EQ(BoxButtons(error), (std::vector<std::string>{"OK"}));
        AnswerBox(error, IDOK);
        ASSERT_TRUE(WaitUntilGone(error));
        talven_.Settle();
        EXPECT_EQ(talven_.FindBox("Error"), nullptr);
        EXPECT_EQ(talven_.Lines(), lines);
        EXPECT_EQ(talven_.Selection(), selection);
        EXPECT_EQ(talven_.Details(), details);
        EXPECT_TRUE(talven_.RemoveEnabled());
    }

    // Waits for the dialog to show these controls (a removal updates it
    // after the registry), then checks every part of it.
    void ExpectShown(const std::vector<ControlDef>& controls, int selection)
    {
        std::vector<std::string> lines;
        for (const ControlDef& control : controls)
            lines.push_back(EntryLine(control));
        const std::string details = selection < 0 ? "" : lines[selection];
        WaitUntil(kWaitMs, [&] {
            return talven_.Lines() == lines && talven_.Selection() == selection &&
                   talven_.Details() == details && talven_.RemoveEnabled() == !lines.empty();
        });
        EXPECT_EQ(talven_.Lines(), lines);
        EXPECT_EQ(talven_.Selection(), selection);
        EXPECT_EQ(talven_.Details(), details);
        EXPECT_EQ(talven_.RemoveEnabled(), !lines.empty());
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
    ASSERT_NO_FATAL_FAILURE(Decline());
    ExpectShown({kAmber, kBirch, kCedar, kCypress, kDune, kElm}, 2);
    EXPECT_EQ(Snapshot(), registry);

    // Yes removes Cedar; the line that moves up into its place is selected.
    ASSERT_NO_FATAL_FAILURE(ExpectRemoved({kAmber, kBirch, kCypress, kDune, kElm}, 2));
    registry = WithoutTrees(registry, {ClassTree(kCedar)});
    EXPECT_EQ(Snapshot(), registry);

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
    ASSERT_NO_FATAL_FAILURE(ExpectRemoved({kAmber, kBirch, kCypress, kDune}, 3));
    registry = WithoutTrees(registry, {ClassTree(kElm)});
    EXPECT_EQ(Snapshot(), registry);

    // Amber takes the type library it shares with Birch.
    talven_.Select(0);
    ASSERT_NO_FATAL_FAILURE(ExpectRemoved({kBirch, kCypress, kDune}, 0));
    registry = WithoutTrees(registry, {kAmber.progId, "TypeLib\\" + kShared, ClassTree(kAmber)});
    EXPECT_EQ(Snapshot(), registry);

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

// A link inside Cedar's class tree leads to Cypress's: the removal is
// refused before anything goes, and Cypress is still whole to be removed.
TEST_F(RemoveCommand, RefusesAControlWithALinkInItsTreeAndDeletesNothing)
{
    ASSERT_NO_FATAL_FAILURE(
        Lay(Join({ControlKeys(kCedar), ControlKeys(kCypress), {Link(ClassTree(kCedar) + "\\Extra", ClassTree(kCypress))}})));
    std::vector<std::string> registry = Snapshot();
    ASSERT_TRUE(talven_.Start());
    ExpectShown({kCedar, kCypress}, 0);

    ASSERT_NO_FATAL_FAILURE(ExpectFailedRemoval());
    EXPECT_EQ(Snapshot(), registry);

    talven_.Select(1);
    ASSERT_NO_FATAL_FAILURE(ExpectRemoved({kCedar}, 0));
    registry = WithoutTrees(registry, {kCypress.progId, "TypeLib\\" + kOwn, ClassTree(kCypress)});
    EXPECT_EQ(Snapshot(), registry);

    talven_.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

TEST_F(RemoveCommand, RemovingTheOnlyLineLeavesAnEmptyList)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kCedar)));
    ASSERT_TRUE(talven_.Start());
    ASSERT_NO_FATAL_FAILURE(ExpectRemoved({}, -1));
    EXPECT_FALSE(KeyExists(ClassTree(kCedar)));

    PostMessageA(talven_.dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

}  // namespace
