// The main dialog: a sorted list of the registered
// controls, the selected one's whole entry in the details box.
#include "ui.h"

#include "exact_text.h"
#include "key_text.h"
#include "resource.h"

namespace {

constexpr int kTabStop = 400;  // dialog units: the CLSID and server lie beyond the list's edge

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
// Posted to itself after a change of the window's DPI, once the dialog
// manager has given the list its font for the new scale.
constexpr UINT kMeasureRows = WM_APP + 1;

ResultCode FillList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CONTROL_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    INT tabStop = kTabStop;
    SendMessageA(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SetRowHeight(list);
    const ResultCode result = AddControlLines(list);
    if (result != 0)
        return result;
    const bool any = SendMessageA(list, LB_GETCOUNT, 0, 0) > 0;
    if (any)
        SendMessageA(list, LB_SETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(dialog, IDC_REMOVE), any);
    ShowSelectedDetails(dialog);
    return 0;
}

void CentreOnDesktop(HWND dialog)
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = desktop.left + ((desktop.right - desktop.left) - width) / 2;
    const int y = desktop.top + ((desktop.bottom - desktop.top) - height) / 2;
    MoveWindow(dialog, x, y, width, height, FALSE);
}

INT_PTR OnInitDialog(HWND dialog)
{
    if (FillList(dialog) != 0) {
        MessageBoxA(dialog, "An unexpected error occurred while examining the registry.",
                    "Fatal Error", MB_ICONERROR);
        EnableWindow(GetDlgItem(dialog, IDC_REMOVE), FALSE);
    }
    CentreOnDesktop(dialog);
    SetFocus(GetDlgItem(dialog, IDC_CONTROL_LIST));
    return 0;  // the focus is set
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        EndDialog(dialog, 1);
        return 1;
    case IDC_CONTROL_LIST:
        if (HIWORD(wParam) != LBN_SELCHANGE)
            return 0;
        ShowSelectedDetails(dialog);
        return 1;
    case IDC_REMOVE:
        RunRemoveCommand(dialog);
        return 1;
    default:
        return 0;  // IDCANCEL too: Esc does not close the dialog
    }
}

}  // namespace

LRESULT ReadSelectedLine(HWND list, char* room)
{
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return -1;
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length < 0 || length >= kLineRoom)
        return -1;
    if (SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(room)) < 0)
        return -1;
    return selected;
}

namespace {

// A line's TABs and breaks could make it longer than twice itself only for
// lines no registration has; such a text is cut at its end.
constexpr int kShownRoom = 2 * kLineRoom;

void Put(char* shown, int* length, char c)
{
    if (*length < kShownRoom - 1)
        shown[(*length)++] = c;
}

// How many bytes of text, from its start, fit width pixels as the box draws
// them, ending at a character's end: at least one character. Measured wide,
// on the text converted from the program's code page, as the box draws it:
// GDI's 8-bit calls would convert through the system's code page instead.
int FittingBytes(HDC dc, const char* text, int size, int width)
{
    WCHAR wide[kLineRoom];
    const int units = MultiByteToWideChar(CP_ACP, 0, text, size, wide, kLineRoom);
    INT fit = 0;
    SIZE extent;
    if (units <= 0 || !GetTextExtentExPointW(dc, wide, units, width, &fit, nullptr, &extent))
        fit = units;
    // Characters while their UTF-16 units fit, by each one's own count.
    int bytes = 0;
    int fitted = 0;
    while (bytes < size) {
        const int next = static_cast<int>(NextChar(text + bytes) - text);
        WCHAR one[2];
        const int count = MultiByteToWideChar(CP_ACP, 0, text + bytes, next - bytes, one, 2);
        if (fitted + (count > 0 ? count : 1) > fit && bytes > 0)
            break;
        fitted += count > 0 ? count : 1;
        bytes = next;
    }
    return bytes;
}

// The entry line as the details box shows it: each part (name, class
// identifier, server path) on a line of its own, since the box breaks lines
// only at spaces and the parts joined by TABs make one word wider than the
// box, cut off at both sides; and a part too wide for the box, measured
// with its own font, broken into lines of its own, after a "\" or a space
// where there is one, so that it wraps rather than spills over both edges.
// Text is stepped through by characters: in a double-byte code page a
// character's second byte may be that of "\".
// Appended to the shown text from *length on; the server file's state,
// given as a part of its own, follows the entry's.
void ShapeDetails(HWND box, const char* line, char* shown, int* shownLength)
{
    RECT client;
    GetClientRect(box, &client);
    const HDC dc = GetDC(box);
    const HGDIOBJ was = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
    int length = *shownLength;
    const char* part = line;
    while (true) {
        int size = 0;
        while (part[size] != '\0' && part[size] != '\t')
            size = static_cast<int>(NextChar(part + size) - part);
        for (int at = 0; at < size;) {
            int take = FittingBytes(dc, part + at, size - at, client.right);
            if (at + take < size) {
                // The last "\" or space of what fits, past its first quarter.
                int breakAt = 0;
                for (int i = 0; i < take; i = static_cast<int>(NextChar(part + at + i) - (part + at))) {
                    const char c = part[at + i];
                    if ((c == '\\' || c == ' ') && i + 1 > take / 4)
                        breakAt = i + 1;
                }
                take = breakAt > 0 ? breakAt : take;
            }
            for (int i = 0; i < take; ++i)
                Put(shown, &length, part[at + i]);
            at += take;
            if (at < size) {
                Put(shown, &length, '\r');
                Put(shown, &length, '\n');
            }
        }
        if (part[size] == '\0')
            break;
        Put(shown, &length, '\r');
        Put(shown, &length, '\n');
        part += size + 1;
    }
    shown[length] = '\0';
    *shownLength = length;
    SelectObject(dc, was);
    ReleaseDC(box, dc);
}

}  // namespace

void ShowSelectedDetails(HWND dialog)
{
    char line[kLineRoom];
    line[0] = '\0';
    HWND list = GetDlgItem(dialog, IDC_CONTROL_LIST);
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) < 0) {
        SetDlgItemTextA(dialog, IDC_DETAILS, line);
        return;
    }
    const LRESULT selected = ReadSelectedLine(list, line);
    if (selected < 0 || !HoldsChar(line, '\t'))
        return;
    // The server file's state on a line of its own under the entry's parts.
    char server[kServerLineRoom];
    WriteServerLine(list, selected, server);
    char shown[kShownRoom];
    int length = 0;
    const HWND box = GetDlgItem(dialog, IDC_DETAILS);
    ShapeDetails(box, line, shown, &length);
    Put(shown, &length, '\r');
    Put(shown, &length, '\n');
    ShapeDetails(box, server, shown, &length);
    SetDlgItemTextA(dialog, IDC_DETAILS, shown);
}

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_DRAWITEM:
        if (wParam != IDC_CONTROL_LIST)
            return 0;
        DrawControlRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 1;
    case WM_DPICHANGED:
        // The system scales the dialog and its fonts itself; the rows of an
        // owner-drawn list keep the height they were told.
        PostMessageA(dialog, kMeasureRows, 0, 0);
        return 0;
    case kMeasureRows:
        SetRowHeight(GetDlgItem(dialog, IDC_CONTROL_LIST));
        InvalidateRect(GetDlgItem(dialog, IDC_CONTROL_LIST), nullptr, TRUE);
        return 1;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return 1;
    default:
        return 0;
    }
}
