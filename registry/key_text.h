// Small helpers shared by the registry operations.
#pragma once

#include "controls.h"
#include <windows.h>

// Reads a key's default value as text. Succeeds only for a REG_SZ value that
// fits the room with its terminating NUL.
ResultCode QueryDefaultText(HKEY key, char* room, DWORD roomSize);

// Opens key's subkey as itself, with the view's flag, and reads its default
// value: exactly spelt where asked (see exact_text.h), else as the 8-bit
// calls give it. The open's or the read's code; a link there reads as
// ERROR_CANT_RESOLVE_FILENAME.
ResultCode ReadSubkeyText(HKEY key, const char* subkey, REGSAM flag, bool exact, char* room, DWORD roomSize);

// True where a read's code says there is no usable text there: no key, no
// value, not REG_SZ, too long, or not spelt exactly.
bool NamesNothing(ResultCode read);

// True when path names one key by non-empty names joined by single "\":
// the registry skips empty names, so "", "\x", "x\" or "x\\y" would open
// some other key than the one they appear to name.
bool IsKeyPath(const char* path);

// Where the key name of the class lies in an entry line: from start to end
// (its last TAB), between the first and the last TAB. False where the line
// holds fewer than two TABs.
bool FindClassName(const char* line, int* start, int* end);

// True when the two texts are the same bytes (lstrcmpA compares by the
// user's locale, which may call different texts equal).
bool SameBytes(const char* a, const char* b);

// True when text holds the character c, read character by character.
bool HoldsChar(const char* text, char c);

// The value by which a registry key opened with REG_OPTION_OPEN_LINK shows
// that it is a symbolic link.
constexpr char kLinkValueName[] = "SymbolicLinkValue";

// A symbolic link opened as itself holds the value that names its target.
// Opening, enumerating or deleting through a link reaches the target, which
// is never the control's: ERROR_CANT_RESOLVE_FILENAME for a key that holds
// that value, the query's code for one that cannot tell, else 0.
ResultCode RefuseLink(HKEY key);

// True when text is an identifier as classes and libraries are registered
// under: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in hexadecimal digits.
bool IsIdentifier(const char* text);

// Walks the tree at path as DeleteKeyTree would, reading only, and shows the
// sink (when not null) each key: 0 when every key can be reached as itself
// and its path fits the room; ERROR_FILE_NOT_FOUND when there is no key at
// path itself; otherwise the code DeleteKeyTree would stop at, the one of a
// link, which it refuses, or the sink's.
ResultCode CheckKeyTree(const char* path, KeySink sink, void* context);
