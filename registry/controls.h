// Finding the registered OLE controls and removing one of them.
//
// An entry line is the text of one control: its display name, a TAB, the
// name of its key under "CLSID", a TAB, and its in-process server path.
// It never holds more than kLineRoom - 1 characters.
#pragma once

#include <stdint.h>

// 0 is success; 1 means no line was selected or the line holds fewer than
// two TABs; anything else is a registry error code passed up unchanged.
typedef int32_t ResultCode;

constexpr int kLineRoom = 1024;

// Receives each entry line the moment it has been built.
typedef void (*ControlSink)(const char* line, void* context);

// Scans "CLSID" and hands every registered OLE control's entry line to the
// sink. Fails only when "CLSID" cannot be opened with full access; then no
// line has been delivered.
ResultCode FillControlList(ControlSink sink, void* context);

// Deletes the key at path (relative to HKEY_CLASSES_ROOT) with every key
// beneath it, leaves first; stops at the first failure, leaving in place
// whatever it had not reached. Never deletes through a symbolic link: a link
// anywhere in the tree is a failure when it is reached.
ResultCode DeleteKeyTree(const char* path);

// Removes the registration of the control an entry line names: its ProgID
// tree, its type-library tree, then its CLSID tree. A ProgID or library that
// is not plainly this control's, or a tree that could not be deleted whole
// (a symbolic link in it, a path too long), ends the removal before anything
// is deleted. The line must sit in a room of kLineRoom bytes, which the
// removal uses as its working room.
ResultCode RemoveControl(char* line);
