// The main dialog's procedures that its commands share.
#pragma once

#include <windows.h>

#include "controls.h"
#include "server_file.h"

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Adds an entry line to the list, its server file checked once, as its row
// shows it; returns its index, or a negative value where the list refused
// it. drives: what the checks of one filling learn of the drives.
LRESULT AddControlLine(HWND list, const char* line, DriveTypes* drives);

// Fills the list with every control's line by FillControlList, as
// AddControlLine adds each.
ResultCode AddControlLines(HWND list);

// The row's server line for the details box, into a room of kServerLineRoom
// bytes: "Server file present", "Server file missing", or "Server file not
// checked: " and why.
constexpr int kServerLineRoom = 96;
void WriteServerLine(HWND list, LRESULT index, char* room);

// Makes the owner-drawn list's rows as tall as a plain list's.
void SetRowHeight(HWND list);

// Draws a row of the list: its display name alone, greyed with
// " (server file missing)" after it where its server file is missing, in
// the selection's colours where it is selected.
void DrawControlRow(const DRAWITEMSTRUCT& item);

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
