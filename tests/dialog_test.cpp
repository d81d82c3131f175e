// The program end to end: the real talven.exe started in a process of its
// own against a registry laid out here, watched and driven from outside
// through ordinary window messages. Every wait is bounded.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "registry_fixture.h"
#include "resource.h"
#include "talven_driver.h"

namespace {

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

class Dialog : public TalvenTest {};

TEST_F(Dialog, ListsControlsSortedShowsTheSelectionAndClosesByCloseButton)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ThreeControlsAndAPlainClass()));
    ASSERT_TRUE(talven_.Start());
    EXPECT_EQ(talven_.FindBox("Fatal Error"), nullptr);

    const std::vector<std::string> lines = talven_.Lines();
    EXPECT_EQ(lines, (std::vector<std::string>{EntryLine(kAmber), EntryLine(kBirch), EntryLine(kCedar)}));
    EXPECT_EQ(talven_.Selection(), 0);
    EXPECT_EQ(talven_.Details(), EntryLine(kAmber));
    EXPECT_TRUE(talven_.RemoveEnabled());
    EXPECT_TRUE(talven_.IsCentred());
    EXPECT_EQ(talven_.Focus(), talven_.Item(IDC_CONTROL_LIST));

    // A new selection, as a click would make it, refreshes the details.
    talven_.Select(2);
    EXPECT_EQ(talven_.Details(), EntryLine(kCedar));

    // Esc, as a key and as the command, and a double-click change nothing.
    talven_.PressKey(VK_ESCAPE);
    talven_.Command(IDCANCEL, 0);
    talven_.Command(IDC_CONTROL_LIST, LBN_DBLCLK);
    EXPECT_TRUE(talven_.Running());
    EXPECT_EQ(talven_.Selection(), 2);
    EXPECT_EQ(talven_.Details(), EntryLine(kCedar));
    EXPECT_EQ(talven_.Lines(), lines);

    talven_.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

// A row shows the display name alone: the CLSID and the server path, after
// their TABs, lie beyond the list's right edge.
TEST_F(Dialog, RowsShowTheDisplayNameAlone)
{
    const ControlDef ash = {"{5E000000-0000-0000-0000-000000000005}", "Ash", "C:\\Controls\\ash.ocx", "", ""};
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(ash)));
    ASSERT_TRUE(talven_.Start());
    RECT list;
    GetClientRect(talven_.Item(IDC_CONTROL_LIST), &list);
    int width = -1;
    // Drawn some time after the dialog is idle: wait for the row's text.
    WaitUntil(kWaitMs, [&] { return (width = talven_.RowInkWidth(0)) > 4; });
    EXPECT_GT(width, 4);
    EXPECT_LT(width, list.right / 4) << "the row shows more than \"Ash\"";

    talven_.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

TEST_F(Dialog, WithNoControlsOpensEmptyAndEnterCloses)
{
    ASSERT_NO_FATAL_FAILURE(Lay({Text("CLSID\\{4D000000-0000-0000-0000-000000000004}", "Plain"),
                                 Key("CLSID\\{4D000000-0000-0000-0000-000000000004}\\Control")}));
    ASSERT_TRUE(talven_.Start());
    EXPECT_EQ(talven_.FindBox("Fatal Error"), nullptr);
    EXPECT_TRUE(talven_.Lines().empty());
    EXPECT_EQ(talven_.Selection(), -1);
    EXPECT_FALSE(talven_.RemoveEnabled());
    EXPECT_EQ(talven_.Details(), "");

    talven_.PressKey(VK_RETURN);  // the default button
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

TEST_F(Dialog, UnwritableClassKeyReportsTheScanFailureThenOpensAndWmCloseEnds)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ThreeControlsAndAPlainClass()));
    ASSERT_NO_FATAL_FAILURE(DenyWrite("CLSID"));
    ASSERT_TRUE(talven_.Launch());

    const HWND box = talven_.WaitForBox("Fatal Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), "An unexpected error occurred while examining the registry.");
    EXPECT_TRUE(BoxHasIcon(box, IDI_HAND));
    EXPECT_EQ(BoxButtons(box), (std::vector<std::string>{"OK"}));
    EXPECT_FALSE(IsWindowVisible(talven_.FindDialog())) << "the box comes before the dialog is seen";
    AnswerBox(box, IDOK);

    ASSERT_TRUE(talven_.WaitForDialog());
    EXPECT_TRUE(talven_.Lines().empty());
    EXPECT_FALSE(talven_.RemoveEnabled());
    EXPECT_EQ(talven_.Details(), "Static");
    EXPECT_TRUE(talven_.IsCentred());

    PostMessageA(talven_.FindDialog(), WM_CLOSE, 0, 0);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

}  // namespace
