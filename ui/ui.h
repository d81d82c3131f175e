// The main dialog's procedures that its commands share.
#pragma once

#include <windows.h>

#include "controls.h"

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Brings the details box in line with the list's selection.
void ShowSelectedDetails(HWND dialog);

// Reads the selected line into a room of kLineRoom bytes; returns its index,
// or -1 when nothing is selected or the line would not fit the room.
LRESULT ReadSelectedLine(HWND list, char* room);

// The Remove button: confirmation, then removal of the selected control.
void RunRemoveCommand(HWND dialog);

// Removes the selected control and its line; on failure leaves the list,
// the selection, the Remove button and the details box as they were.
ResultCode RemoveSelectedControl(HWND dialog);
