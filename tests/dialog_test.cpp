// The main dialog: talven's own template and procedure, made in this process
// against a registry laid out here, its boxes answered by a hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "in_process_dialog.h"
#include "registry_fixture.h"
#include "ui.h"

namespace dialog_test {

const ControlDef kCedar = {"{1C000000-0000-0000-0000-000000000001}", "Cedar Clock",
                           "C:\\Controls\\cedar.ocx", "", ""};
const ControlDef kAmber = {"{3A000000-0000-0000-0000-000000000003}", "Amber Calendar",
                           "C:\\Controls\\amber.ocx", "", ""};
const ControlDef kBirch = {"{2B000000-0000-0000-0000-000000000002}", "Birch Meter",
                           "C:\\Controls\\birch.ocx", "", ""};

std::vector<KeyDef> ThreeControlsAndAPlainClass()
{
    return Join({{Text("CLSID\\{4D000000-0000-0000-0000-000000000004}", "Plain class"),
                  Text("CLSID\\{4D000000-0000-0000-0000-000000000004}\\InprocServer32", "plain.dll")},
                 ControlKeys(kCedar), ControlKeys(kAmber), ControlKeys(kBirch)});
}

// None of these servers is there.
const char kMissing[] = "Server file missing";

class Dialog : public InProcessDialog {};

TEST_F(Dialog, ListsControlsSortedShowsTheSelectionAndClosesByCloseButton)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ThreeControlsAndAPlainClass()));
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(boxes_.empty());

    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(lines, (std::vector<std::string>{EntryLine(kAmber), EntryLine(kBirch), EntryLine(kCedar)}));
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(Details(), DetailsText(EntryLine(kAmber), kMissing));
    EXPECT_TRUE(RemoveEnabled());
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(IsCentred());
    EXPECT_EQ(GetFocus(), Item(IDC_CONTROL_LIST));

    // A new selection, as a click would make it, refreshes the details.
    Select(2);
    EXPECT_EQ(Details(), DetailsText(EntryLine(kCedar), kMissing));

    // Esc, as a key and as the command, and a double-click change nothing.
    PressKey(VK_ESCAPE);
    Command(IDCANCEL, 0);
    Command(IDC_CONTROL_LIST, LBN_DBLCLK);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(Details(), DetailsText(EntryLine(kCedar), kMissing));
    EXPECT_EQ(Lines(), lines);

    Command(IDOK, BN_CLICKED);
    EXPECT_FALSE(Shown());
}

// A row shows the display name alone: the CLSID and the server path, after
// their TABs, lie beyond the list's right edge. (Its server is there: a
// missing one's row says so after the name.)
TEST_F(Dialog, RowsShowTheDisplayNameAlone)
{
    const ControlDef ash = {"{5E000000-0000-0000-0000-000000000005}", "Ash", "ole32.dll", "", ""};
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(ash)));
    ASSERT_NO_FATAL_FAILURE(Open());
    RECT list;
    GetClientRect(Item(IDC_CONTROL_LIST), &list);
    const int width = RowInkWidth(0);
    EXPECT_GT(width, 4);
    EXPECT_LT(width, list.right / 4) << "the row shows more than \"Ash\"";
}

// A line that would fill the whole room, its NUL aside, is never read: not
// into the details box, not for a removal. The scan never makes one; the
// list could still hold one.
TEST_F(Dialog, ALineTooLongForTheRoomIsNeitherShownNorRemoved)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kAmber)));
    const std::vector<std::string> registry = Snapshot();
    ASSERT_NO_FATAL_FAILURE(Open());
    const HWND list = Item(IDC_CONTROL_LIST);
    // Amber's own class, so that a removal read from it would remove Amber.
    const std::string longest =
        "Zelkova\t" + kAmber.clsid + "\t" + std::string(kLineRoom - 2 - 7 - kAmber.clsid.size(), 'z');
    ASSERT_EQ(longest.size(), static_cast<size_t>(kLineRoom));
    const int index =
        static_cast<int>(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longest.c_str())));
    ASSERT_EQ(index, 1);

    char room[kLineRoom + 1];
    room[kLineRoom] = '#';
    Select(index);
    EXPECT_EQ(ReadSelectedLine(list, room), -1);
    EXPECT_EQ(room[kLineRoom], '#') << "written past the room";
    EXPECT_EQ(Details(), DetailsText(EntryLine(kAmber), kMissing)) << "the details box shows what it could not read";

    Answer({IDYES, IDOK});
    Command(IDC_REMOVE, BN_CLICKED);
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1].substr(0, 7), "Error: ");
    EXPECT_EQ(Snapshot(), registry);
    EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(Dialog, WithNoControlsOpensEmptyAndEnterCloses)
{
    ASSERT_NO_FATAL_FAILURE(Lay({Text("CLSID\\{4D000000-0000-0000-0000-000000000004}", "Plain"),
                                 Key("CLSID\\{4D000000-0000-0000-0000-000000000004}\\Control")}));
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selection(), -1);
    EXPECT_FALSE(RemoveEnabled());
    EXPECT_EQ(Details(), "");

    PressKey(VK_RETURN);  // the default button
    EXPECT_FALSE(Shown());
}

TEST_F(Dialog, UnwritableClassKeyReportsTheScanFailureThenOpensAndWmCloseEnds)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ThreeControlsAndAPlainClass()));
    ASSERT_NO_FATAL_FAILURE(DenyWrite("CLSID"));
    ASSERT_NO_FATAL_FAILURE(Open({IDOK}));
    EXPECT_EQ(boxes_, std::vector<std::string>{"Fatal Error: An unexpected error occurred while examining the "
                                               "registry. [OK] error icon, before the dialog"});

    EXPECT_TRUE(Shown());
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(RemoveEnabled());
    EXPECT_EQ(Details(), "Static");
    EXPECT_TRUE(IsCentred());

    Message(WM_CLOSE);
    EXPECT_FALSE(Shown());
}

}  // namespace dialog_test
