// talven's main dialog made in the test's own process, from talven.exe's own
// template with talven's own dialog procedure; the message boxes it shows
// are read and answered by a hook on the test's thread. A command sent to it
// returns once talven has handled it, boxes and all: nothing to wait for.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "registry_fixture.h"
#include "resource.h"

class InProcessDialog : public ClearedRegistry<> {
protected:
    void TearDown() override;

    // Makes the dialog as talven does. Each box it shows, now or later, is
    // answered with the next of the answers, as a click on that button would.
    void Open(std::deque<int> answers = {});
    void Answer(std::deque<int> answers) { answers_ = answers; }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    std::vector<std::string> Lines() const;
    int Selection() const { return static_cast<int>(SendMessageA(Item(IDC_CONTROL_LIST), LB_GETCURSEL, 0, 0)); }
    std::string Details() const;
    std::vector<std::string> DetailsLines() const;  // the box's text, split at its breaks
    std::string DetailsJoined() const;              // and joined again without them
    bool RemoveEnabled() const { return IsWindowEnabled(Item(IDC_REMOVE)) != 0; }
    // Still open: EndDialog hides a dialog that is not modal.
    bool Shown() const { return IsWindowVisible(dialog_) != 0; }
    bool IsCentred() const;
    // How far right, in pixels from the list's left edge, the row's text
    // reaches when the list paints itself; -1 when the row shows none.
    int RowInkWidth(int row) const;
    // How many pixels of the middle of the row, as the list paints itself,
    // are of the colour.
    int RowPixels(int row, COLORREF colour) const;
    // How wide, in pixels from its leftmost to its rightmost, the ink of the
    // details box's first line of text is as the box paints itself.
    int DetailsFirstLineInkWidth() const;

    void Select(int index);  // as a click in the list would
    void Command(int id, int notification);
    void Message(UINT message) { SendMessageA(dialog_, message, 0, 0); }
    // A key pressed in the list, taken up by the dialog manager as in
    // talven's own dialog loop.
    void PressKey(WORD key);
    // A character typed in the list, as the dialog manager passes it on.
    void TypeChar(char c);

    HWND dialog_ = nullptr;
    // Each box shown, as "caption: text [buttons] icon, before/over the dialog".
    std::vector<std::string> boxes_;

private:
    static LRESULT CALLBACK OnBox(int code, WPARAM wParam, LPARAM lParam);
    void TakeBox(HWND box);

    std::deque<int> answers_;
    HHOOK hook_ = nullptr;
    HMODULE program_ = nullptr;
};
