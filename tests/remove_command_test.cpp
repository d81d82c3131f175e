// The Remove command: talven's own dialog made in this process against a
// registry laid out here, the confirmation and error boxes read and answered
// by a hook, and the registry checked after every step.
#include <gtest/gtest.h>

#include <windows.h>

#include "in_process_dialog.h"
#include "registry_fixture.h"

namespace remove_command_test {

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

// None of these servers is there; Cedar's, once changed, is, found in the
// system folder, which the line that replaces its old one shows.
const char kMissing[] = "Server file missing";
const char kSystemServer[] = "ole32.dll";

const char kConfirmation[] = "Remove Control: This item will be permanently removed from the registry.  "
                             "Are you sure? [&Yes|&No] question icon, over the dialog";
const char kFailure[] = "Error: An unexpected error occurred while removing the control. [OK] error icon, "
                        "over the dialog";

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

class RemoveCommand : public InProcessDialog {
protected:
    // Presses Remove and answers the boxes that follow; expects the
    // confirmation and, when failing, the one error box after it.
    void PressRemove(std::deque<int> answers, bool failing)
    {
        boxes_.clear();
        Answer(answers);
        Command(IDC_REMOVE, BN_CLICKED);
        std::vector<std::string> expected = {kConfirmation};
        if (failing)
            expected.push_back(kFailure);
        EXPECT_EQ(boxes_, expected);
    }

    // Answers No: nothing follows, no box and no change.
    void Decline() { PressRemove({IDNO}, false); }

    // Answers Yes and expects the control gone from the list and these
    // controls shown, with this selection (-1: none).
    void ExpectRemoved(const std::vector<ControlDef>& left, int selection)
    {
        PressRemove({IDYES}, false);
        ExpectShown(left, selection);
    }

    // Answers Yes and expects the one error box, and the list, selection,
    // button and details left as they were.
    void ExpectFailedRemoval()
    {
        const std::vector<std::string> lines = Lines();
        const int selection = Selection();
        const std::string details = Details();
        PressRemove({IDYES, IDOK}, true);
        EXPECT_EQ(Lines(), lines);
        EXPECT_EQ(Selection(), selection);
        EXPECT_EQ(Details(), details);
        EXPECT_TRUE(RemoveEnabled());
    }

    // Every part of the dialog shows these controls.
    void ExpectShown(const std::vector<ControlDef>& controls, int selection)
    {
        std::vector<std::string> lines;
        for (const ControlDef& control : controls)
            lines.push_back(EntryLine(control));
        EXPECT_EQ(Lines(), lines);
        EXPECT_EQ(Selection(), selection);
        EXPECT_EQ(Details(), selection < 0 ? "" : DetailsText(lines[selection],
                                                             controls[selection].server == kSystemServer
                                                                 ? "Server file present" : kMissing));
        EXPECT_EQ(RemoveEnabled(), !lines.empty());
        EXPECT_TRUE(Shown());
    }
};

TEST_F(RemoveCommand, RemovesConfirmedControlsAndReportsEveryFailure)
{
    ASSERT_NO_FATAL_FAILURE(Lay(Layout()));
    // Cypress's class tree refuses deletion below its top.
    ASSERT_NO_FATAL_FAILURE(DenyWrite(ClassTree(kCypress) + "\\Control"));
    std::vector<std::string> registry = Snapshot();
    ASSERT_NO_FATAL_FAILURE(Open());
    ExpectShown({kAmber, kBirch, kCedar, kCypress, kDune, kElm}, 0);

    // No changes nothing.
    Select(2);
    Decline();
    ExpectShown({kAmber, kBirch, kCedar, kCypress, kDune, kElm}, 2);
    EXPECT_EQ(Snapshot(), registry);

    // Yes removes Cedar; the line that moves up into its place is selected.
    ExpectRemoved({kAmber, kBirch, kCypress, kDune, kElm}, 2);
    registry = WithoutTrees(registry, {ClassTree(kCedar)});
    EXPECT_EQ(Snapshot(), registry);

    // Cypress: its ProgID and type library go, then its class tree refuses.
    ExpectFailedRemoval();
    registry = WithoutTrees(registry, {kCypress.progId, "TypeLib\\" + kOwn});
    EXPECT_EQ(Snapshot(), registry);
    // Again: those two are gone and pass, and the class tree refuses again.
    ExpectFailedRemoval();
    EXPECT_EQ(Snapshot(), registry);

    // Dune's ProgID names no key, which holds nothing to delete.
    Select(3);
    ExpectRemoved({kAmber, kBirch, kCypress, kElm}, 3);
    registry = WithoutTrees(registry, {ClassTree(kDune)});
    EXPECT_EQ(Snapshot(), registry);

    // The last line: the new last line is selected.
    ExpectRemoved({kAmber, kBirch, kCypress}, 2);
    registry = WithoutTrees(registry, {ClassTree(kElm)});
    EXPECT_EQ(Snapshot(), registry);

    // Amber leaves the type library it shares with Birch.
    Select(0);
    ExpectRemoved({kBirch, kCypress}, 0);
    registry = WithoutTrees(registry, {kAmber.progId, ClassTree(kAmber)});
    EXPECT_EQ(Snapshot(), registry);

    // Birch, the library's last class, takes it.
    ExpectRemoved({kCypress}, 0);
    registry = WithoutTrees(registry, {kBirch.progId, "TypeLib\\" + kShared, ClassTree(kBirch)});
    EXPECT_EQ(Snapshot(), registry);
}

// A link inside Cedar's class tree leads to Cypress's: the removal is
// refused before anything goes, and Cypress is still whole to be removed.
TEST_F(RemoveCommand, RefusesAControlWithALinkInItsTreeAndDeletesNothing)
{
    ASSERT_NO_FATAL_FAILURE(
        Lay(Join({ControlKeys(kCedar), ControlKeys(kCypress), {Link(ClassTree(kCedar) + "\\Extra", ClassTree(kCypress))}})));
    std::vector<std::string> registry = Snapshot();
    ASSERT_NO_FATAL_FAILURE(Open());
    ExpectShown({kCedar, kCypress}, 0);

    ExpectFailedRemoval();
    EXPECT_EQ(Snapshot(), registry);

    Select(1);
    ExpectRemoved({kCedar}, 0);
    registry = WithoutTrees(registry, {kCypress.progId, "TypeLib\\" + kOwn, ClassTree(kCypress)});
    EXPECT_EQ(Snapshot(), registry);
}

TEST_F(RemoveCommand, RemovingTheOnlyLineLeavesAnEmptyList)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kCedar)));
    ASSERT_NO_FATAL_FAILURE(Open());
    ExpectRemoved({}, -1);
    EXPECT_FALSE(KeyExists(ClassTree(kCedar)));
}

// A class both stores register: the removal takes the copy the view shows,
// the user's, and the machine's registration, shown now, keeps its line in
// the list and selected, never hidden while it remains. (Wine shows the
// machine's line throughout: it merges nothing.)
TEST_F(RemoveCommand, KeepsTheLineOfARegistrationThatRemainsInTheOtherStore)
{
    const std::vector<KeyDef> userCopy = {Text(ClassTree(kAmber), "Amber Calendar"), Key(ClassTree(kAmber) + "\\Control"),
                                          Text(ClassTree(kAmber) + "\\InprocServer32", kAmber.server)};
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kAmber), ControlKeys(kCedar), InUserStore(userCopy)})));
    std::vector<std::string> registry = Snapshot();
    ASSERT_NO_FATAL_FAILURE(Open());
    ExpectShown({kAmber, kCedar}, 0);

    ExpectRemoved({kAmber, kCedar}, 0);
    registry = WithoutTrees(registry, {kUserPath + ClassTree(kAmber)});
    EXPECT_EQ(Snapshot(), registry);

    ExpectRemoved({kCedar}, 0);
    registry = WithoutTrees(registry, {kAmber.progId, "TypeLib\\" + kShared, ClassTree(kAmber)});
    EXPECT_EQ(Snapshot(), registry);
}

// The registration confirmed, or nothing: Cedar's server changed after the
// list was made, so its line no longer names what is registered; the
// removal is refused with nothing deleted, the line shows the class as it
// is now, its server checked anew, and that line can then be removed. Dune renamed after listing
// gets its new line with the same message.
TEST_F(RemoveCommand, RefusesALineWhoseRegistrationChangedAfterListing)
{
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(kCedar), ControlKeys(kDune), ControlKeys(kElm)})));
    ASSERT_NO_FATAL_FAILURE(Open());
    ExpectShown({kCedar, kDune, kElm}, 0);
    ControlDef moved = kCedar;
    moved.server = kSystemServer;
    ASSERT_NO_FATAL_FAILURE(Lay({Text(ClassTree(kCedar) + "\\InprocServer32", moved.server)}));
    std::vector<std::string> registry = Snapshot();

    PressRemove({IDYES, IDOK}, true);
    EXPECT_EQ(Snapshot(), registry);
    ExpectShown({moved, kDune, kElm}, 0);

    ExpectRemoved({kDune, kElm}, 0);
    EXPECT_FALSE(KeyExists(ClassTree(kCedar)));

    ASSERT_NO_FATAL_FAILURE(Lay({Text(ClassTree(kDune), "Dune Slider 2")}));
    registry = Snapshot();
    PressRemove({IDYES, IDOK}, true);
    EXPECT_EQ(Snapshot(), registry);
    ControlDef renamed = kDune;
    renamed.name = "Dune Slider 2";
    ExpectShown({renamed, kElm}, 0);
}

}  // namespace remove_command_test
