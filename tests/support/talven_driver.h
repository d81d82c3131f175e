// Drives the real talven.exe from another process: starts it beside this
// program, finds its dialog and message boxes, reads its list and works its
// buttons through window messages. Every wait is bounded.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "registry_fixture.h"

constexpr DWORD kWaitMs = 60000;  // a busy emulated program answers late, but it answers
constexpr DWORD kPollMs = 100;

// talven.exe, beside the running program.
std::string TalvenPath();

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

    bool Launch() { return LaunchProgram(TalvenPath()); }
    bool LaunchProgram(const std::string& program);
    bool WaitForDialog();  // until the dialog is shown and idle
    bool Start() { return Launch() && WaitForDialog(); }

    HWND WaitForBox(const char* caption) const;  // a shown message box of talven's

    std::vector<std::string> Lines() const;
    void Command(int id, int notification);  // posted, as a button would
    bool Settle() const;  // until talven's thread is back in a message loop

    bool Running() const;
    int WaitForExit();  // the exit code; -1 when it does not end in time
    void Kill();
};

// Answers a message box as a click on the button with that id would; fails
// the test, and does nothing, when the box shows no such button.
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
