#include "talven_driver.h"

#include "resource.h"

namespace {

constexpr DWORD kStartMs = 300000;  // a 32-bit start under an emulator is slow

}  // namespace

std::string TalvenPath()
{
    char path[MAX_PATH];
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of("\\/") + 1) + "talven.exe";
}

void AnswerBox(HWND box, int id)
{
    // The dialog manager takes a command for any id, even one the box lacks
    // or hides.
    const HWND button = GetDlgItem(box, id);
    EXPECT_TRUE(button != nullptr && IsWindowVisible(button)) << "the box shows no button " << id;
    if (button != nullptr && IsWindowVisible(button))
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
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
        dialog = FindWindowA("#32770", "Registered OLE Controls");
        return (dialog != nullptr && IsWindowVisible(dialog)) || !Running();
    });
    return shown && Running() && Settle();
}

HWND Talven::WaitForBox(const char* caption) const
{
    HWND box = nullptr;
    WaitUntil(kStartMs, [&] {
        // Only talven runs in the test's prefix, and one at a time.
        box = FindWindowA("#32770", caption);
        return (box != nullptr && IsWindowVisible(box)) || !Running();
    });
    return box;
}

std::vector<std::string> Talven::Lines() const
{
    // Read in the wide form, the one carried between processes faithfully;
    // the tests' texts are all ASCII.
    const HWND list = GetDlgItem(dialog, IDC_CONTROL_LIST);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        std::wstring text(length + 1, L'\0');
        const LRESULT copied = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied < 0 ? 0 : copied);
        lines.push_back(std::string(text.begin(), text.end()));
    }
    return lines;
}

void Talven::Command(int id, int notification)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
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
