// Drives the real talven.exe from another process: starts it beside this
// program, finds its dialog and message boxes, reads and works its controls
// through window messages. Every wait is bounded.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "registry_fixture.h"

constexpr DWORD kWaitMs = 60000;  // a busy emulated program answers late, but it answers
constexpr DWORD kPollMs = 100;

// Waits in small steps until done() holds or the time is up; says whether
// it held.
template <typename Done>
bool WaitUntil(DWORD limitMs, Done done)
{
    for (DWORD waited = 0; waited < limitMs; waited += kPollMs) {
        if (done())
            return true;
        Sleep(kPollMs);
    }
    return done();
}

struct Talven {
    PROCESS_INFORMATION process = {};
    HWND dialog = nullptr;

    bool Launch();         // starts talven.exe beside this program
    bool LaunchProgram(const std::string& program);
    bool WaitForDialog();  // until the dialog is shown and idle
    bool Start() { return Launch() && WaitForDialog(); }

    HWND FindDialog() const;
    HWND FindBox(const char* caption) const;  // a shown message box of talven's
    HWND WaitForBox(const char* caption) const;
    HWND Item(int id) const;

    std::vector<std::string> Lines() const;
    int Selection() const;
    std::string Details() const;
    bool RemoveEnabled() const;
    bool IsCentred() const;
    // How far right, in pixels from the list's left edge, the row's text
    // reaches on the screen; -1 when the row shows none.
    int RowInkWidth(int row) const;
    HWND Focus() const;

    void Select(int index);  // as a click in the list would
    void PressKey(WORD key);
    void Command(int id, int notification);  // posted, as a button would
    bool Settle() const;  // until talven's thread is back in a message loop

    bool Running() const;
    int WaitForExit();  // the exit code; -1 when it does not end in time
    void Kill();
};

std::string WindowText(HWND window);
std::string BoxText(HWND box);
bool BoxHasIcon(HWND box, LPCSTR icon);
std::vector<std::string> BoxButtons(HWND box);
// Answers a message box as a click on the button with that id would; fails
// the test, and does nothing, when the box has no such button.
void AnswerBox(HWND box, int id);
// Until the window is destroyed, as an answered box is; false if it stays.
bool WaitUntilGone(HWND window);

// A test that starts from a cleared registry and ends talven, if it still
// runs, before clearing up.
class TalvenTest : public ClearedRegistry<> {
protected:
    void TearDown() override
    {
        talven_.Kill();
        ClearedRegistry::TearDown();
    }
    Talven talven_;
};
