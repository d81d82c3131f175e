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

// The details box shows text as written: an "&" is no mnemonic's mark (it
// would vanish and underline the next letter), and its lines are broken by
// the widths of the text as shown.
TEST_F(Dialog, TheDetailsBoxShowsAnAmpersandAsWritten)
{
    const ControlDef att = {"{6C000000-0000-0000-0000-000000000001}", "AT&T Gauge", "C:\\AT&T\\x.ocx", "", ""};
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(att)));
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(Details(), DetailsText(EntryLine(att), kMissing));
    const HWND box = Item(IDC_DETAILS);
    const HDC dc = GetDC(box);
    const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    SIZE written = {};
    SIZE mnemonic = {};
    GetTextExtentPoint32A(dc, "AT&T Gauge", 10, &written);
    GetTextExtentPoint32A(dc, "ATT Gauge", 9, &mnemonic);
    SelectObject(dc, was);
    ReleaseDC(box, dc);
    ASSERT_GT(written.cx - mnemonic.cx, 4);
    EXPECT_NEAR(DetailsFirstLineInkWidth(), written.cx, 3);
}

// After a change of the window's DPI the dialog manager gives the list its
// new font; the owner-drawn rows then take that font's height, as a plain
// list's would.
TEST_F(Dialog, RowsTakeTheFontsHeightAfterAChangeOfDpi)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ThreeControlsAndAPlainClass()));
    ASSERT_NO_FATAL_FAILURE(Open());
    const HWND list = Item(IDC_CONTROL_LIST);
    LOGFONTA larger = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), sizeof larger, &larger);
    larger.lfHeight = larger.lfHeight * 3 / 2 - (larger.lfHeight < 0 ? 1 : -1);
    const HFONT font = CreateFontIndirectA(&larger);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    RECT where;
    GetWindowRect(dialog_, &where);
    SendMessageA(dialog_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&where));
    Command(IDC_CONTROL_LIST, LBN_SETFOCUS);  // lets the dialog's posted work run
    const HDC dc = GetDC(list);
    const HGDIOBJ was = SelectObject(dc, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, was);
    ReleaseDC(list, dc);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), metrics.tmHeight);
    SendMessageA(list, WM_SETFONT, 0, FALSE);
    DeleteObject(font);
}

// Each server as the loader would find it, in the details box's last line:
// ".dll" added to a name without an extension (a "." at its end meaning
// none), "/" a "\\", "\\?\\" and "\\.\\" before a drive a local path,
// a quoted path with arguments the quoted path; a name without a folder
// found in no folder every program searches (PATH's relative folders never
// among them, here "." and "bin", which hold it) may lie beside the program
// that loads it: not missing.
TEST_F(Dialog, EachServerIsJudgedAsTheLoaderWouldFindIt)
{
    const char* const files[] = {"C:\\talven-srv\\noext.dll", "C:\\talven-srv\\plain.ocx", "C:\\talven-srv\\bare",
                                 "C:\\talven-srv\\cwd\\rel-only.ocx", "C:\\talven-srv\\cwd\\bin\\rel-only.ocx",
                                 "C:\\talven-srv\\rel\\drive-rel.ocx", "C:\\talven-srv\\path\\in-path.ocx"};
    for (const char* folder : {"C:\\talven-srv", "C:\\talven-srv\\cwd", "C:\\talven-srv\\cwd\\bin",
                               "C:\\talven-srv\\rel", "C:\\talven-srv\\path"})
        CreateDirectoryA(folder, nullptr);
    for (const char* file : files) {
        const HANDLE made = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(made, INVALID_HANDLE_VALUE) << file;
        CloseHandle(made);
    }
    const std::string present = "Server file present";
    const std::string missing = "Server file missing";
    const std::string beside = "Server file not checked: it may lie beside the program that loads it";
    const struct {
        const char* server;
        std::string shown;
    } cases[] = {
        {"C:\\talven-srv\\noext", present},
        {"C:\\talven-srv\\noext.", missing},
        {"C:\\talven-srv\\bare.", present},
        {"C:\\talven-srv\\bare", missing},
        {"C:\\talven-srv\\gone.ocx", missing},
        {"C:/talven-srv/plain.ocx", present},
        {"\\\\?\\C:\\talven-srv\\plain.ocx", present},
        {"\\\\.\\C:\\talven-srv\\plain.ocx", present},
        {"\\\\?\\UNC\\talven-nowhere\\share\\x.ocx", "Server file not checked: it is on the network"},
        {"\"C:\\talven-srv\\plain.ocx\" /s", present},
        {"beside-host.ocx", beside},
        {"rel-only.ocx", beside},
        {"drive-rel.ocx", beside},
        {"in-path.ocx", present},
    };
    std::vector<KeyDef> layout;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char clsid[64];
        wsprintfA(clsid, "{6A0000%02d-0000-0000-0000-000000000000}", static_cast<int>(i));
        const std::string name = "Server " + std::string(1, static_cast<char>('A' + i));
        layout = Join({layout, ControlKeys({clsid, name, cases[i].server, "", ""})});
    }
    ASSERT_NO_FATAL_FAILURE(Lay(layout));
    char path[4096];
    char folder[MAX_PATH];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    GetCurrentDirectoryA(MAX_PATH, folder);
    SetEnvironmentVariableA("PATH", (std::string(".;bin;\\talven-srv\\rel;C:\\talven-srv\\path;") + path).c_str());
    SetCurrentDirectoryA("C:\\talven-srv\\cwd");
    ASSERT_NO_FATAL_FAILURE(Open());
    SetEnvironmentVariableA("PATH", path);
    SetCurrentDirectoryA(folder);
    ASSERT_EQ(Lines().size(), sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(cases[i].server);
        Select(static_cast<int>(i));
        // The box breaks a line too long for it: its lines joined again.
        std::string shown;
        const std::string details = Details();
        for (size_t at = 0; at < details.size(); ++at)
            if (details.compare(at, 2, "\r\n") == 0)
                ++at;
            else
                shown += details[at];
        EXPECT_EQ(shown.substr(shown.size() - std::min(shown.size(), cases[i].shown.size())), cases[i].shown);
    }
}

}  // namespace dialog_test
