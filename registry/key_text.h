// Small helpers shared by the registry operations.
#pragma once

#include "controls.h"
#include <windows.h>

// Reads a key's default value as text. Succeeds only for a REG_SZ value that
// fits the room with its terminating NUL.
ResultCode QueryDefaultText(HKEY key, char* room, DWORD roomSize);

// True when path names one key by non-empty names joined by single "\":
// the registry skips empty names, so "", "\x", "x\" or "x\\y" would open
// some other key than the one they appear to name.
bool IsKeyPath(const char* path);

// True when text holds the character c.
bool HoldsChar(const char* text, char c);

// The value by which a registry key opened with REG_OPTION_OPEN_LINK shows
// that it is a symbolic link.
constexpr char kLinkValueName[] = "SymbolicLinkValue";

// Walks the tree at path as DeleteKeyTree would, reading only: 0 when every
// key can be reached as itself and its path fits the room, or when there is
// no key at path; otherwise the code DeleteKeyTree would stop at, or the one
// of a link, which it refuses.
ResultCode CheckKeyTree(const char* path);
