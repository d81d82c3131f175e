// The list's rows: each entry line kept as the list's own text, its server
// file checked once as it comes and kept beside it as the row's item data,
// and drawn as a plain list draws it but for a control whose server file is
// missing, which is greyed and says so.
#include "ui.h"

#include "exact_text.h"
#include "key_text.h"

namespace {

constexpr char kMissingSuffix[] = " (server file missing)";

// The check as the row's item data: the state and its reason in the low
// byte, one more than the state so that 0 is a row never checked, and a
// refused look's error above them.
LPARAM Pack(const ServerCheck& check)
{
    const DWORD error = check.error & 0x7FFFFF;
    return static_cast<LPARAM>(error << 8 | static_cast<DWORD>(check.why) << 2 |
                               (static_cast<DWORD>(check.state) + 1));
}

ServerCheck Unpack(LRESULT data)
{
    if (data == LB_ERR || (data & 3) == 0)
        return {ServerState::kUnchecked, UncheckedWhy::kNone, 0};
    const DWORD bits = static_cast<DWORD>(data);
    return {static_cast<ServerState>((bits & 3) - 1), static_cast<UncheckedWhy>((bits >> 2) & 63), bits >> 8};
}

// Where the server path lies in an entry line: after its last TAB; a line
// without its two TABs names no server.
const char* ServerOf(const char* line)
{
    int start = 0;
    int end = 0;
    return FindClassName(line, &start, &end) ? line + end + 1 : "";
}

// Why, in words short enough for the details box's one line at any scale.
const char* WhyNotChecked(const ServerCheck& check)
{
    switch (check.why) {
    case UncheckedWhy::kNoPath:
        return "no file is named";
    case UncheckedWhy::kEnvironmentVariable:
        return "the path holds a variable";
    case UncheckedWhy::kNetworkPath:
        return "it is on the network";
    case UncheckedWhy::kBesideLoader:
        return "it may lie beside the program that loads it";
    case UncheckedWhy::kRelativePath:
        return "the path names no drive";
    case UncheckedWhy::kNoSystemFolder:
        return "no system folder found";
    case UncheckedWhy::kOtherFileSystemHidden:
        return "64-bit folders out of sight";
    case UncheckedWhy::kLookRefused:
        return check.error == ERROR_ACCESS_DENIED ? "access was denied" : "Windows could not look";
    case UncheckedWhy::kNone:
        break;
    }
    return "it was not looked at";
}

// Draws text of the program's code page: GDI's 8-bit calls convert through
// the system's code page (under Wine, the font's charset), not the
// program's, which a manifest may make UTF-8; the wide call draws it as it is.
void DrawCodePageText(HDC dc, const RECT& row, const char* text)
{
    WCHAR wide[kLineRoom + sizeof kMissingSuffix];
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof wide / sizeof wide[0]);
    ExtTextOutW(dc, row.left + 1, row.top, ETO_OPAQUE | ETO_CLIPPED, &row, wide, units > 0 ? units - 1 : 0, nullptr);
}

// The list being filled, and what its server checks have learnt.
struct Filling {
    HWND list;
    DriveTypes drives;
};

void AddLineToList(const char* line, void* context)
{
    // A line the list refuses is missing from it; the scan goes on.
    Filling* filling = static_cast<Filling*>(context);
    AddControlLine(filling->list, line, &filling->drives);
}

}  // namespace

ResultCode AddControlLines(HWND list)
{
    Filling filling = {list, kNoDriveTypes};
    return FillControlList(AddLineToList, &filling);
}

LRESULT AddControlLine(HWND list, const char* line, DriveTypes* drives)
{
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (index >= 0)
        SendMessageA(list, LB_SETITEMDATA, index, Pack(CheckServerFile(ServerOf(line), 0, nullptr, drives)));
    return index;
}

void WriteServerLine(HWND list, LRESULT index, char* room)
{
    const ServerCheck check = Unpack(SendMessageA(list, LB_GETITEMDATA, index, 0));
    if (check.state == ServerState::kPresent) {
        lstrcpyA(room, "Server file present");
    } else if (check.state == ServerState::kMissing) {
        lstrcpyA(room, "Server file missing");
    } else {
        lstrcpyA(room, "Server file not checked: ");
        lstrcatA(room, WhyNotChecked(check));
    }
}

void SetRowHeight(HWND list)
{
    // A plain list's rows are as tall as its font; an owner-drawn one's
    // are what it is told.
    const HDC dc = GetDC(list);
    const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics))
        SendMessageA(list, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
    SelectObject(dc, was);
    ReleaseDC(list, dc);
}

void DrawControlRow(const DRAWITEMSTRUCT& item)
{
    const HDC dc = item.hDC;
    RECT row = item.rcItem;
    if (item.itemID == static_cast<UINT>(-1) || !(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
        // No row to draw, or only the focus moved: the focus rectangle,
        // drawn by inverting, comes or goes.
        if (item.itemAction & ODA_FOCUS)
            DrawFocusRect(dc, &row);
        return;
    }
    char line[kLineRoom];
    const LRESULT length = SendMessageA(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length < 0 || length >= kLineRoom || SendMessageA(item.hwndItem, LB_GETTEXT, item.itemID,
                                                          reinterpret_cast<LPARAM>(line)) < 0)
        line[0] = '\0';
    // The name alone: the class identifier and server lie past the edge.
    int nameLength = 0;
    while (line[nameLength] != '\0' && line[nameLength] != '\t')
        nameLength = static_cast<int>(NextChar(line + nameLength) - line);
    line[nameLength] = '\0';
    const bool missing = Unpack(static_cast<LRESULT>(item.itemData)).state == ServerState::kMissing;
    if (missing && nameLength + static_cast<int>(sizeof kMissingSuffix) <= kLineRoom)
        lstrcatA(line, kMissingSuffix);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int text = selected ? COLOR_HIGHLIGHTTEXT : missing ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    const COLORREF oldText = SetTextColor(dc, GetSysColor(text));
    const COLORREF oldBack = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawCodePageText(dc, row, line);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(dc, oldFont);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &row);
}
