#include "in_process_dialog.h"

#include "talven_driver.h"
#include "ui.h"

namespace {

// The test whose dialog is open; the hook has no other way to reach it.
InProcessDialog* current = nullptr;

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[4096] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Shown in the style: while a box is made, it is not shown itself.
bool HasShownStyle(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string IconName(HICON icon)
{
    const struct {
        LPCSTR id;
        const char* name;
    } icons[] = {{IDI_HAND, "error"}, {IDI_QUESTION, "question"}, {IDI_EXCLAMATION, "warning"},
                 {IDI_ASTERISK, "information"}};
    for (const auto& known : icons) {
        if (icon == LoadIconA(nullptr, known.id))
            return std::string(known.name) + " icon";
    }
    return icon == nullptr ? "no icon" : "another icon";
}

void Pump(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

void InProcessDialog::Open(std::deque<int> answers)
{
    answers_ = answers;
    program_ = LoadLibraryExA(TalvenPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program_, nullptr) << TalvenPath();
    const HRSRC found = FindResourceA(program_, MAKEINTRESOURCEA(IDD_CONTROLS), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* dialogTemplate = static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(program_, found)));
    current = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, OnBox, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook_, nullptr);
    dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, nullptr, MainDlgProc, 0);
    ASSERT_NE(dialog_, nullptr);
    Pump(dialog_);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " box(es) expected but not shown";
}

void InProcessDialog::TearDown()
{
    if (dialog_ != nullptr)
        DestroyWindow(dialog_);
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    if (program_ != nullptr)
        FreeLibrary(program_);
    current = nullptr;
    ClearedRegistry::TearDown();
}

LRESULT CALLBACK InProcessDialog::OnBox(int code, WPARAM wParam, LPARAM lParam)
{
    // A box is made once its WM_INITDIALOG is answered; the dialog has no
    // owner, the boxes it shows have it as theirs.
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && current != nullptr &&
        GetWindow(call->hwnd, GW_OWNER) != nullptr)
        current->TakeBox(call->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void InProcessDialog::TakeBox(HWND box)
{
    std::string text, buttons, icon = "no icon";
    HWND first = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = IconName(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)));
        } else if (ClassOf(child) == "Static") {
            text = TextOf(child);
        } else if (ClassOf(child) == "Button" && HasShownStyle(child)) {
            buttons += (buttons.empty() ? "" : "|") + TextOf(child);
            first = first != nullptr ? first : child;
        }
    }
    const bool over = IsWindowVisible(GetWindow(box, GW_OWNER)) != 0;
    boxes_.push_back(TextOf(box) + ": " + text + " [" + buttons + "] " + icon +
                     (over ? ", over the dialog" : ", before the dialog"));

    // The dialog manager takes a command for any id, even one the box hides:
    // answer only through a shown button. A box nobody expected goes through
    // its first one, so that the test goes on.
    HWND button = first;
    if (answers_.empty()) {
        ADD_FAILURE() << "a box nobody expected: " << boxes_.back();
    } else {
        const HWND wanted = GetDlgItem(box, answers_.front());
        if (wanted != nullptr && HasShownStyle(wanted))
            button = wanted;
        else
            ADD_FAILURE() << "no button " << answers_.front() << " shown in " << boxes_.back();
        answers_.pop_front();
    }
    if (button != nullptr)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::vector<std::string> InProcessDialog::Lines() const
{
    const HWND list = Item(IDC_CONTROL_LIST);
    std::vector<std::string> lines;
    for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
        std::string text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
        text.resize(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
        lines.push_back(text);
    }
    return lines;
}

std::string InProcessDialog::Details() const
{
    return TextOf(Item(IDC_DETAILS));
}

std::vector<std::string> InProcessDialog::DetailsLines() const
{
    const std::string text = Details();
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 2;
    }
}

std::string InProcessDialog::DetailsJoined() const
{
    std::string joined;
    for (const std::string& line : DetailsLines())
        joined += line;
    return joined;
}

bool InProcessDialog::IsCentred() const
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog_, &own);
    // Equal margins on either side, give or take the pixel an odd
    // difference in size leaves over.
    const long horizontal = (own.left - desktop.left) - (desktop.right - own.right);
    const long vertical = (own.top - desktop.top) - (desktop.bottom - own.bottom);
    return horizontal >= -1 && horizontal <= 1 && vertical >= -1 && vertical <= 1;
}

namespace {

// The window's client area painted into memory, as it paints itself on the
// screen, shown to look with its size.
template <typename Look>
void LookAtPainted(HWND window, Look look)
{
    RECT client;
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    look(memory, client);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The list as it paints itself: each pixel of the middle two thirds of the
// row's height shown to look, with the row's own colour, the one at its
// right end past any text.
template <typename Look>
void LookAtRow(HWND list, int row, Look look)
{
    LookAtPainted(list, [&](HDC memory, const RECT& client) {
        const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        const int y = height * row + height / 2;
        const COLORREF background = GetPixel(memory, client.right - 2, y);
        for (int x = 0; x < client.right - 2; ++x) {
            for (int dy = -height / 3; dy <= height / 3; ++dy)
                look(x, GetPixel(memory, x, y + dy), background);
        }
    });
}

}  // namespace

int InProcessDialog::RowInkWidth(int row) const
{
    int width = -1;
    LookAtRow(Item(IDC_CONTROL_LIST), row, [&](int x, COLORREF pixel, COLORREF background) {
        if (pixel != background)
            width = x;
    });
    return width;
}

int InProcessDialog::RowPixels(int row, COLORREF colour) const
{
    int count = 0;
    LookAtRow(Item(IDC_CONTROL_LIST), row, [&](int, COLORREF pixel, COLORREF) { count += pixel == colour; });
    return count;
}

int InProcessDialog::DetailsFirstLineInkWidth() const
{
    const HWND box = Item(IDC_DETAILS);
    int left = -1;
    int right = -1;
    LookAtPainted(box, [&](HDC memory, const RECT& client) {
        const HGDIOBJ font = SelectObject(memory, reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(memory, &metrics);
        SelectObject(memory, font);
        const COLORREF background = GetPixel(memory, client.right - 1, 0);
        for (int y = 0; y < metrics.tmHeight && y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) {
                if (GetPixel(memory, x, y) == background)
                    continue;
                left = left < 0 || x < left ? x : left;
                right = x > right ? x : right;
            }
        }
    });
    return left < 0 ? 0 : right - left + 1;
}

void InProcessDialog::Select(int index)
{
    const HWND list = Item(IDC_CONTROL_LIST);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_CONTROL_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void InProcessDialog::Command(int id, int notification)
{
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(Item(id)));
    Pump(dialog_);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " box(es) expected but not shown";
}

void InProcessDialog::TypeChar(char c)
{
    PostMessageA(Item(IDC_CONTROL_LIST), WM_CHAR, static_cast<BYTE>(c), 1);
    Pump(dialog_);
}

void InProcessDialog::PressKey(WORD key)
{
    const HWND list = Item(IDC_CONTROL_LIST);
    PostMessageA(list, WM_KEYDOWN, key, 1);
    PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    Pump(dialog_);
}
