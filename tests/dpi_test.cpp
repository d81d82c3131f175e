// The dialog at the display's scale, as ctest runs these cases twice: at 96
// DPI, and with the prefix's LogPixels at 144 (150 %). talven.exe itself,
// started as a user starts it, lays its dialog out as the template says,
// scaled; the details box shows each part of an entry whole.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "in_process_dialog.h"
#include "registry_fixture.h"
#include "resource.h"
#include "talven_driver.h"

namespace dpi_test {

// Controls like the README's samples, named in ASCII (the in-process dialog
// takes the test program's code page): every class identifier is
// one of 38 characters.
const ControlDef kSamples[] = {
    {"{3F1A0001-7A1E-4C2B-9D00-000000000001}", "Talven Sample Gauge", "C:\\Program Files\\Talven Samples\\gauge.ocx",
     "", ""},
    {"{3F1A0002-7A1E-4C2B-9D00-000000000002}", "Amber Calendar Control", "C:\\Windows\\System32\\ambercal.ocx", "", ""},
    {"{3F1A0003-7A1E-4C2B-9D00-000000000003}", "Birchwood Chart 2.0", "C:\\Program Files\\Birchwood\\bwchart.ocx", "",
     ""},
    {"{3F1A0004-7A1E-4C2B-9D00-000000000004}", "Cobalt Grid Control", "C:\\Legacy\\cobaltgrid.ocx", "", ""},
    {"{3F1A0005-7A1E-4C2B-9D00-000000000005}", "Dune Media Slider", "C:\\Program Files\\Dune\\slider.ocx", "", ""},
};

std::vector<KeyDef> SampleKeys()
{
    std::vector<KeyDef> keys;
    for (const ControlDef& sample : kSamples) {
        const std::vector<KeyDef> more = ControlKeys(sample);
        keys.insert(keys.end(), more.begin(), more.end());
    }
    return keys;
}

int SystemDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The template's place of each control, in dialog units.
struct Place {
    int id;
    int x, y, cx, cy;
};
const Place kTemplate[] = {
    {IDOK, 194, 7, 50, 14},
    {IDC_REMOVE, 194, 24, 50, 14},
    {IDC_CONTROL_LIST, 7, 7, 181, 132},
    {IDC_DETAILS, 7, 142, 181, 44},
};

// A control's rectangle in its dialog's client area.
RECT ClientRectOf(HWND dialog, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class Dpi : public TalvenTest {};

TEST_F(Dpi, TalvenLaysOutItsDialogAsTheTemplateSaysAtTheDisplaysScale)
{
    ASSERT_NO_FATAL_FAILURE(Lay(SampleKeys()));
    ASSERT_TRUE(talven_.Start());
    const HWND dialog = talven_.dialog;
    RECT client;
    GetClientRect(dialog, &client);
    const RECT list = ClientRectOf(dialog, IDC_CONTROL_LIST);
    // Pixels per dialog unit, from the list, the largest control.
    const double sx = (list.right - list.left) / 181.0;
    const double sy = (list.bottom - list.top) / 132.0;
    const int dpi = SystemDpi();
    std::printf("at %d DPI: a dialog unit is %.3f x %.3f pixels; the client area %ld x %ld\n", dpi, sx, sy,
                client.right, client.bottom);
    // The units grow with the display's scale: the font is measured at it.
    EXPECT_NEAR(sx * 96 / dpi, 1.7, 0.25);
    EXPECT_NEAR(sy * 96 / dpi, 1.6, 0.25);
    // Centred on the desktop in pixels at any scale.
    RECT desktop;
    RECT window;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &window);
    EXPECT_NEAR(window.left - desktop.left, desktop.right - window.right, 1);
    EXPECT_NEAR(window.top - desktop.top, desktop.bottom - window.bottom, 1);
    EXPECT_NEAR(client.right, 251 * sx, 3);
    EXPECT_NEAR(client.bottom, 193 * sy, 3);
    for (const Place& place : kTemplate) {
        SCOPED_TRACE(place.id);
        const RECT rect = ClientRectOf(dialog, place.id);
        EXPECT_NEAR(rect.left, place.x * sx, 2);
        EXPECT_NEAR(rect.top, place.y * sy, 2);
        EXPECT_NEAR(rect.right - rect.left, place.cx * sx, 2);
        EXPECT_NEAR(rect.bottom - rect.top, place.cy * sy, 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
            << "outside the dialog";
    }
}

class DpiDetails : public InProcessDialog {
protected:
    // How the box draws text: its own font, its own flags.
    RECT Measure(const std::string& text, LONG width)
    {
        const HWND box = Item(IDC_DETAILS);
        const HDC dc = GetDC(box);
        const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
        RECT rect = {0, 0, width, 0};
        DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        SelectObject(dc, was);
        ReleaseDC(box, dc);
        return rect;
    }
};

// Each sample's name, class identifier and path, and its server file's
// state, on a line of its own, each whole on its one line, all four within
// the box.
TEST_F(DpiDetails, ShowsEachPartOfTheSampleLinesWholeWithinTheBox)
{
    ASSERT_NO_FATAL_FAILURE(Lay(SampleKeys()));
    ASSERT_NO_FATAL_FAILURE(Open());
    RECT box;
    GetClientRect(Item(IDC_DETAILS), &box);
    const LONG lineHeight = Measure("X", box.right).bottom;
    for (int row = 0; row < static_cast<int>(Lines().size()); ++row) {
        Select(row);
        const std::string text = Details();
        SCOPED_TRACE(text);
        const std::vector<std::string> parts = DetailsLines();
        ASSERT_EQ(parts.size(), 4u);
        for (const std::string& part : parts) {
            const RECT one = Measure(part, 10000);
            std::printf("at %d DPI: %-44s %3ld of %ld pixels\n", SystemDpi(), part.c_str(), one.right, box.right);
            EXPECT_LE(one.right, box.right) << part << " is wider than the box";
            EXPECT_EQ(Measure(part, box.right).bottom, lineHeight) << part << " takes more than its line";
        }
        EXPECT_LE(Measure(text, box.right).bottom, box.bottom) << "the four lines do not fit the box";
    }
}

// A part too wide for one line wraps within the box, never cut at both
// sides: a long path, and parts of wide characters about as long as the
// box holds average ones.
TEST_F(DpiDetails, WrapsEveryPartTooWideForOneLine)
{
    const ControlDef wide[] = {
        {"{3F1A0009-7A1E-4C2B-9D00-000000000009}", "Long", "C:\\" + std::string(120, 'p') + "\\control.ocx", "", ""},
        {"{3F1A000A-7A1E-4C2B-9D00-00000000000A}", std::string(44, 'W'), "C:\\" + std::string(40, 'M') + ".ocx", "",
         ""},
        {"{3F1A000B-7A1E-4C2B-9D00-00000000000B}", "Wide " + std::string(41, 'W'), "C:\\m.ocx", "", ""},
    };
    std::vector<KeyDef> layout;
    for (const ControlDef& each : wide)
        layout = Join({layout, ControlKeys(each)});
    ASSERT_NO_FATAL_FAILURE(Lay(layout));
    ASSERT_NO_FATAL_FAILURE(Open());
    RECT box;
    GetClientRect(Item(IDC_DETAILS), &box);
    const std::vector<std::string> lines = Lines();
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        Select(row);
        const std::string text = Details();
        SCOPED_TRACE(text);
        // Every character there, in order, on lines each within the box.
        const std::vector<std::string> shown = DetailsLines();
        for (const std::string& each : shown)
            EXPECT_LE(Measure(each, 10000).right, box.right) << each << " is wider than the box";
        std::string line = lines[row] + "Server file missing";
        line.erase(std::remove(line.begin(), line.end(), '\t'), line.end());
        EXPECT_EQ(DetailsJoined(), line);
        EXPECT_GT(shown.size(), 3u) << "a part too wide did not wrap";
    }
}

// A control of each kind of server path, named so that the list shows them
// in this order, and the state its details box gives on its last line.
struct ServerCase {
    std::string name;
    std::string server;
    std::string state;
};

// The server file's state on the details box's last line (the longest
// reason on two), and the box holding all of it at this scale; the missing drawn grey with
// what they lack said after the name, the rest as a plain list draws them;
// the list's strings, rows and keys as a plain list's.
TEST_F(DpiDetails, ShowsEachServerFilesStateAndGreysTheMissing)
{
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder = std::string(temp) + "talven-servers";
    const std::string present = folder + "\\present.ocx";
    const std::string folderInstead = folder + "\\folder.ocx";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(folderInstead.c_str(), nullptr);
    const HANDLE file = CreateFileA(present.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    const std::string kPresent = "Server file present";
    const std::string kMissing = "Server file missing";
    const std::string kNotChecked = "Server file not checked: ";
    const std::vector<ServerCase> cases = {
        {"A present path", present, kPresent},
        {"B present path in quotes", "\"" + present + "\"", kPresent},
        {"C missing path", folder + "\\gone.ocx", kMissing},
        {"D folder where the file should be", folderInstead, kMissing},
        {"E name found in the system folder", "ole32.dll", kPresent},
        {"F name found, its .dll left out", "ole32", kPresent},
        {"G name found nowhere", "talven-nowhere.ocx", kNotChecked + "it may lie beside the program that loads it"},
        {"H network path", "\\\\talven-nowhere\\share\\net.ocx", kNotChecked + "it is on the network"},
        {"I environment variable", "%SystemRoot%\\System32\\ole32.dll", kNotChecked + "the path holds a variable"},
        {"J relative path", "Controls\\relative.ocx", kNotChecked + "the path names no drive"},
    };
    std::vector<KeyDef> layout;
    std::vector<std::string> lines;
    for (size_t i = 0; i < cases.size(); ++i) {
        char clsid[40];
        std::snprintf(clsid, sizeof clsid, "{3F1A01%02u-7A1E-4C2B-9D00-0000000001%02u}", unsigned(i), unsigned(i));
        const ControlDef control = {clsid, cases[i].name, cases[i].server, "", ""};
        layout = Join({layout, ControlKeys(control)});
        lines.push_back(EntryLine(control));
    }
    ASSERT_NO_FATAL_FAILURE(Lay(layout));
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(Lines(), lines) << "the list's own strings are the entry lines";

    RECT box;
    GetClientRect(Item(IDC_DETAILS), &box);
    const LONG lineHeight = Measure("X", box.right).bottom;
    for (size_t row = 0; row < cases.size(); ++row) {
        SCOPED_TRACE(cases[row].name);
        Select(static_cast<int>(row));
        // The entry's parts on three lines, the state after them, broken
        // where it is too wide.
        const std::string details = Details();
        size_t at = 0;
        for (int part = 0; part < 3 && at != std::string::npos; ++part)
            at = details.find("\r\n", at) + 2;
        std::string state = details.substr(at);
        for (size_t found; (found = state.find("\r\n")) != std::string::npos;)
            state.replace(found, 2, "");
        EXPECT_EQ(details.substr(0, at) + state, DetailsText(lines[row], cases[row].state));
        EXPECT_LE(Measure(cases[row].state, box.right).bottom, 2 * lineHeight) << "the state takes more than two lines";
        EXPECT_LE(Measure(details, box.right).bottom, box.bottom) << "the lines do not fit the box";
    }

    // Each row without a selection, then a missing one selected.
    const HWND list = Item(IDC_CONTROL_LIST);
    const HDC dc = GetDC(list);
    const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (size_t row = 0; row < cases.size(); ++row) {
        SCOPED_TRACE(cases[row].name);
        const bool missing = cases[row].state == kMissing;
        const std::string shown = cases[row].name + (missing ? " (server file missing)" : "");
        SIZE extent = {};
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        const int index = static_cast<int>(row);
        EXPECT_EQ(RowPixels(index, grey) > 0, missing);
        EXPECT_EQ(RowPixels(index, text) > 0, !missing);
        EXPECT_NEAR(RowInkWidth(index), extent.cx, 4) << "the row shows other than \"" << shown << "\"";
    }
    SelectObject(dc, was);
    ReleaseDC(list, dc);
    Select(2);
    EXPECT_GT(RowPixels(2, GetSysColor(COLOR_HIGHLIGHTTEXT)), 0) << "a selected row is in the selection's colours";
    EXPECT_EQ(RowPixels(2, grey), 0);

    // Rows as tall as a plain list's of the same font.
    const HWND plain = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_NOINTEGRALHEIGHT, 0, 0, 100, 100, dialog_, nullptr,
                                     nullptr, nullptr);
    SendMessageA(plain, WM_SETFONT, SendMessageA(list, WM_GETFONT, 0, 0), FALSE);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), SendMessageA(plain, LB_GETITEMHEIGHT, 0, 0));
    DestroyWindow(plain);

    // The list's keys: a letter goes to the line it begins, End and Home
    // to the last and the first.
    TypeChar('g');
    EXPECT_EQ(Selection(), 6);
    PressKey(VK_END);
    EXPECT_EQ(Selection(), static_cast<int>(cases.size()) - 1);
    PressKey(VK_HOME);
    EXPECT_EQ(Selection(), 0);

    DeleteFileA(present.c_str());
    RemoveDirectoryA(folderInstead.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace dpi_test
