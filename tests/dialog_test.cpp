// The main dialog: talven's own template and procedure, made in this process
// against a registry laid out here, its boxes answered by a hook.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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
class Dialog932 : public InProcessDialog {};

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
        const std::string shown = DetailsJoined();
        EXPECT_EQ(shown.substr(shown.size() - std::min(shown.size(), cases[i].shown.size())), cases[i].shown);
    }
}

// In code page 932, without the manifest's UTF-8: a display name of 500
// kanji of two bytes each is cut to the line between characters, so that
// its row names its class, checks its server and is removed.
TEST_F(Dialog932, ALineCutToItsRoomNamesItsClassAndIsRemoved)
{
    ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
    std::string name;
    for (int i = 0; i < 500; ++i)
        name += "\xe7\xa4\xba";
    const ControlDef kanji = {"{6F000000-0000-0000-0000-000000000001}", name, "C:\\Controls\\kanji.ocx", "", ""};
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kanji)));
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    // Whole characters, two bytes each, in what is left of 1023 bytes.
    const size_t room = kLineRoom - 1 - 2 - kanji.clsid.size() - kanji.server.size();
    const std::string cut = lines[0].substr(0, lines[0].find('\t'));
    EXPECT_EQ(cut.size(), room / 2 * 2);
    EXPECT_EQ(lines[0], cut + "\t" + kanji.clsid + "\t" + kanji.server);
    // The box shows it all, broken between characters, the class on a
    // line of its own and the server's state, checked, last.
    EXPECT_NE(Details().find("\r\n" + kanji.clsid + "\r\n"), std::string::npos);
    EXPECT_EQ(DetailsJoined(), cut + kanji.clsid + kanji.server + kMissing);
    Answer({IDYES});
    Command(IDC_REMOVE, BN_CLICKED);
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(KeyExists("CLSID\\" + kanji.clsid));
}

// In UTF-8, as the program's manifest makes its code page (here the
// locale's): every script shown as it is. GDI's 8-bit calls convert
// through another code page than the program's, so a row drawn through
// them would draw each byte of UTF-8 as a character: its ink would be as
// wide as that text, not as the name. The details box shows the whole line
// and breaks it between characters.
class Utf8Dialog : public InProcessDialog {};

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

TEST_F(Utf8Dialog, RowsAndTheDetailsBoxShowEveryScript)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "run with LC_ALL=hi_IN.UTF-8";
    const ControlDef controls[] = {
        {"{6D000000-0000-0000-0000-000000000001}", "\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c Control",
         "C:\\\xd0\xad\xd0\xbb\xd0\xb5\xd0\xbc\xd0\xb5\xd0\xbd\xd1\x82\xd1\x8b\\" + std::string(40, 'x') + "\\\xd0\xba.ocx", "", ""},
        {"{6D000000-0000-0000-0000-000000000002}", "\xce\x97\xce\xbc\xce\xad\xcf\x81\xce\xb1 \xf0\x9f\x98\x80",
         "C:\\g.ocx", "", ""},
    };
    ASSERT_NO_FATAL_FAILURE(Lay(Join({ControlKeys(controls[0]), ControlKeys(controls[1])})));
    ASSERT_NO_FATAL_FAILURE(Open());
    // Greek sorts before Cyrillic.
    ASSERT_EQ(Lines(), (std::vector<std::string>{EntryLine(controls[1]), EntryLine(controls[0])}));
    const HWND list = Item(IDC_CONTROL_LIST);
    const HDC dc = GetDC(list);
    const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    for (int row = 0; row < 2; ++row) {
        const std::string shown = controls[1 - row].name + " (server file missing)";
        SCOPED_TRACE(shown);
        const std::wstring wide = Wide(shown);
        SIZE right = {};
        SIZE wrong = {};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &right);
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &wrong);
        ASSERT_GT(wrong.cx - right.cx, 8) << "the two ways must draw apart";
        EXPECT_NEAR(RowInkWidth(row), right.cx, 4) << "the row is not drawn from its text";
    }
    SelectObject(dc, was);
    ReleaseDC(list, dc);

    // The details box: the whole line, broken only between characters, each
    // piece within the box as the box measures it.
    const HWND box = Item(IDC_DETAILS);
    RECT client;
    GetClientRect(box, &client);
    const HDC boxDc = GetDC(box);
    const HGDIOBJ boxWas = SelectObject(boxDc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    Select(1);
    for (const std::string& piece : DetailsLines()) {
        const std::wstring wide = Wide(piece);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, piece.c_str(), static_cast<int>(piece.size()),
                                      nullptr, 0) > 0 || piece.empty(), true)
            << "a piece broken inside a character: " << piece;
        SIZE extent = {};
        GetTextExtentPoint32W(boxDc, wide.c_str(), static_cast<int>(wide.size()), &extent);
        EXPECT_LE(extent.cx, client.right) << piece;
    }
    std::string line = EntryLine(controls[0]) + "Server file missing";
    line.erase(std::remove(line.begin(), line.end(), '\t'), line.end());
    EXPECT_EQ(DetailsJoined(), line);
    SelectObject(boxDc, boxWas);
    ReleaseDC(box, boxDc);
}

}  // namespace dialog_test
