// Small helpers shared by the registry operations.
#pragma once

#include "controls.h"
#include <windows.h>

// Reads a key's default value as text. Succeeds only for a REG_SZ value that
// fits the room with its terminating NUL.
ResultCode QueryDefaultText(HKEY key, char* room, DWORD roomSize);

// How ReadSubkeyText opens and reads: as itself (a link there refused
// with ERROR_CANT_RESOLVE_FILENAME) and exactly spelt (see exact_text.h),
// as itself as the 8-bit calls spell it, or through any link as the 8-bit
// calls show it, for reads that are only ever a reason to keep.
enum SubkeyRead { kExactAsItself, kAsItself, kAsShown };

// Opens key's subkey (a name, or names joined by "\"), with the view's
// flag, reads its default value into the room, and closes only what it
// opened: the open's or the read's code, the room empty where it failed.
ResultCode ReadSubkeyText(HKEY key, const char* subkey, REGSAM flag, SubkeyRead how, char* room, DWORD roomSize);

// Whether the subkey's default value, read as ReadSubkeyText reads it,
// names name (case aside): 0 with names set, also where there is no usable
// text there (see NamesNothing); else the code that leaves it unknown.
ResultCode SubkeyNames(HKEY key, const char* subkey, REGSAM flag, SubkeyRead how, const char* name, bool* names);

// The first name of path, up to its first "\", read by characters, into a
// room of roomSize bytes; false, the room empty, where it does not fit.
bool TakeFirstName(const char* path, char* room, int roomSize);

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
