#include "talven_driver.h"

#include "resource.h"

#include <cstdio>

namespace {

constexpr DWORD kStartMs = 300000;  // a 32-bit start under an emulator is slow

std::string Narrow(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &text[0], size,
                        nullptr, nullptr);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A top-level window's caption, read without sending it a message.
std::string Caption(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return Narrow(text);
}

struct Search {
    DWORD processId;
    const char* caption;
    bool shownOnly;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || ClassOf(window) != "#32770" ||
        Caption(window) != search->caption || (search->shownOnly && !IsWindowVisible(window)))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const char* caption, bool shownOnly)
{
    Search search = {processId, caption, shownOnly, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsIconStatic(HWND window)
{
    return ClassOf(window) == "Static" && (GetWindowLongA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

}  // namespace

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWaitMs, &length))
        return "<no answer>";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_NORMAL, kWaitMs, &copied);
    text.resize(copied);
    return Narrow(text);
}

std::string BoxText(HWND box)
{
    for (HWND child : Children(box)) {
        if (ClassOf(child) == "Static" && !IsIconStatic(child))
            return WindowText(child);
    }
    return "<no text>";
}

namespace {

// The pixels of a square of the screen; or, given an icon, of that icon
// drawn over the colour found just left of the square.
std::vector<COLORREF> Pixels(const RECT& square, LPCSTR icon)
{
    const int size = square.right - square.left;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (icon == nullptr) {
        BitBlt(memory, 0, 0, size, size, screen, square.left, square.top, SRCCOPY);
    } else {
        HBRUSH background = CreateSolidBrush(GetPixel(screen, square.left - 1, square.top));
        RECT all = {0, 0, size, size};
        FillRect(memory, &all, background);
        DeleteObject(background);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, icon), size, size, 0, nullptr, DI_NORMAL);
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

bool BoxHasIcon(HWND box, LPCSTR icon)
{
    // Icon handles mean nothing in another process, so the box's icon is
    // compared as it looks on the screen with the expected icon drawn here.
    for (HWND child : Children(box)) {
        if (!IsIconStatic(child))
            continue;
        RECT square;
        GetWindowRect(child, &square);
        square.right = square.left + GetSystemMetrics(SM_CXICON);
        square.bottom = square.top + GetSystemMetrics(SM_CYICON);
        // A box is shown before it is painted: wait until the square shows
        // one of the two icons (or the time is up), then judge which.
        const LPCSTR other = icon == IDI_QUESTION ? IDI_HAND : IDI_QUESTION;
        std::vector<COLORREF> shown;
        WaitUntil(kWaitMs, [&] {
            shown = Pixels(square, nullptr);
            return Pixels(square, icon) == shown || Pixels(square, other) == shown;
        });
        return Pixels(square, icon) == shown && Pixels(square, other) != shown;
    }
    return false;
}

std::vector<std::string> BoxButtons(HWND box)
{
    std::vector<std::string> buttons;
    for (HWND child : Children(box)) {
        if (ClassOf(child) == "Button" && IsWindowVisible(child))
            buttons.push_back(WindowText(child));
    }
    return buttons;
}

void AnswerBox(HWND box, int id)
{
    // The dialog manager takes a command for any id, even one the box lacks.
    const HWND button = GetDlgItem(box, id);
    EXPECT_NE(button, nullptr) << "the box has no button " << id;
    if (button != nullptr)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

int Talven::RowInkWidth(int row) const
{
    const HWND list = Item(IDC_CONTROL_LIST);
    RECT client;
    GetClientRect(list, &client);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const int y = origin.y + height * row + height / 2;
    HDC screen = GetDC(nullptr);
    // The row's own colour is the one at its right end, past any text.
    const COLORREF background = GetPixel(screen, origin.x + client.right - 2, y);
    int width = -1;
    for (int x = 0; x < client.right - 2; ++x) {
        for (int dy = -height / 3; dy <= height / 3; ++dy) {
            if (GetPixel(screen, origin.x + x, y + dy) != background)
                width = x;
        }
    }
    ReleaseDC(nullptr, screen);
    return width;
}

bool Talven::Launch()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path, length);
    return LaunchProgram(program.substr(0, program.find_last_of("\\/") + 1) + "talven.exe");
}

bool Talven::LaunchProgram(const std::string& program)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    // Leave it alone until it waits for input, in its dialog or in a box
    // before it: a program run by an emulator starts slowly.
    WaitForInputIdle(process.hProcess, kStartMs);
    return true;
}

bool Talven::WaitForDialog()
{
    const bool shown = WaitUntil(kStartMs, [this] {
        dialog = FindDialog();
        return (dialog != nullptr && IsWindowVisible(dialog)) || !Running();
    });
    return shown && Running() && Settle();
}

HWND Talven::FindDialog() const
{
    return FindTopLevel(process.dwProcessId, "Registered OLE Controls", false);
}

HWND Talven::FindBox(const char* caption) const
{
    return FindTopLevel(process.dwProcessId, caption, true);
}

HWND Talven::WaitForBox(const char* caption) const
{
    HWND box = nullptr;
    WaitUntil(kStartMs, [&] {
        box = FindBox(caption);
        return box != nullptr || !Running();
    });
    return box;
}

HWND Talven::Item(int id) const
{
    return GetDlgItem(dialog, id);
}

std::vector<std::string> Talven::Lines() const
{
    // Read in the wide form: only that one is carried between processes
    // faithfully.
    const HWND list = Item(IDC_CONTROL_LIST);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        std::wstring text(length + 1, L'\0');
        const LRESULT copied = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied < 0 ? 0 : copied);
        lines.push_back(Narrow(text));
    }
    return lines;
}

int Talven::Selection() const
{
    return static_cast<int>(SendMessageW(Item(IDC_CONTROL_LIST), LB_GETCURSEL, 0, 0));
}

std::string Talven::Details() const
{
    return WindowText(Item(IDC_DETAILS));
}

bool Talven::RemoveEnabled() const
{
    return IsWindowEnabled(Item(IDC_REMOVE)) != 0;
}

bool Talven::IsCentred() const
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &own);
    // Equal margins on either side, give or take the pixel an odd
    // difference in size leaves over.
    const long horizontal = (own.left - desktop.left) - (desktop.right - own.right);
    const long vertical = (own.top - desktop.top) - (desktop.bottom - own.bottom);
    return horizontal >= -1 && horizontal <= 1 && vertical >= -1 && vertical <= 1;
}

HWND Talven::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void Talven::Select(int index)
{
    const HWND list = Item(IDC_CONTROL_LIST);
    SendMessageW(list, LB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONTROL_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Talven::PressKey(WORD key)
{
    const HWND list = Item(IDC_CONTROL_LIST);
    PostMessageA(list, WM_KEYDOWN, key, 1);
    PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    Settle();
}

void Talven::Command(int id, int notification)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(Item(id)));
    Settle();
}

bool WaitUntilGone(HWND window)
{
    return WaitUntil(kWaitMs, [window] { return !IsWindow(window); });
}

bool Talven::Settle() const
{
    // A sent message is answered before posted ones are taken, so the second
    // answer usually comes once what was posted before has been taken up.
    // Only usually: the thread also answers while it waits on another thread
    // (Wine's window manager calls do), so a check for a change waits for
    // the change itself instead of trusting this.
    for (int round = 0; round < 2; ++round) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &answer))
            return false;
    }
    return true;
}

bool Talven::Running() const
{
    return process.hProcess != nullptr && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

int Talven::WaitForExit()
{
    if (WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

void Talven::Kill()
{
    if (process.hProcess == nullptr)
        return;
    if (Running()) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, kWaitMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = PROCESS_INFORMATION{};
    dialog = nullptr;
}
