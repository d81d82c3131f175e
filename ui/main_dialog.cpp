// The main dialog: a sorted list of the registered
// controls, the selected one's whole entry in the details box.
#include "ui.h"

#include "key_text.h"
#include "resource.h"

namespace {

constexpr int kTabStop = 400;  // dialog units: the CLSID and server lie beyond the list's edge

void AddLineToList(const char* line, void* list)
{
    // A line the list refuses is missing from it; the scan goes on.
    SendMessageA(static_cast<HWND>(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

ResultCode FillList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CONTROL_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    INT tabStop = kTabStop;
    SendMessageA(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    const ResultCode result = FillControlList(AddLineToList, list);
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

// The details box is 181 dialog units wide, and four of them are one
// average character of its font at any scale: 45 characters.
constexpr int kBoxChars = 181 / 4;
constexpr int kMostPerLine = 40;  // below it, for characters wider than most
// A line's TABs and breaks could make it longer than twice itself only for
// lines no registration has; such a text is cut at its end.
constexpr int kShownRoom = 2 * kLineRoom;

void Put(char* shown, int* length, char c)
{
    if (*length < kShownRoom - 1)
        shown[(*length)++] = c;
}

// The entry line as the details box shows it: each part (name, class
// identifier, server path) on a line of its own, since the box breaks lines
// only at spaces and the parts joined by TABs make one word wider than the
// box, cut off at both sides; and a part too long for the box broken into
// lines of its own, after a "\" or a space where there is one, so that it
// wraps rather than spills over both edges.
void ShapeDetails(const char* line, char* shown)
{
    int length = 0;
    const char* part = line;
    while (true) {
        int size = 0;
        while (part[size] != '\0' && part[size] != '\t')
            ++size;
        for (int at = 0; at < size;) {
            int take = size - at;
            if (size > kBoxChars && take > kMostPerLine) {
                take = kMostPerLine;
                for (int back = kMostPerLine; back > kMostPerLine / 4; --back) {
                    const char c = part[at + back - 1];
                    if (c == '\\' || c == ' ') {
                        take = back;
                        break;
                    }
                }
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
    if (ReadSelectedLine(list, line) < 0 || !HoldsChar(line, '\t'))
        return;
    char shown[kShownRoom];
    ShapeDetails(line, shown);
    SetDlgItemTextA(dialog, IDC_DETAILS, shown);
}

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_CLOSE:
        EndDialog(dialog, 1);
        return 1;
    default:
        return 0;
    }
}
