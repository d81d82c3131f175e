// Names and values as the registry keeps them, spelt in the ANSI code page.
//
// The registry keeps every name and value wide; the 8-bit calls convert
// them through the ANSI code page, and where the page lacks a character
// they give a best-fit one (a fullwidth "\" becomes "\", fullwidth braces
// ASCII braces) or "?". Such a name opens another key than the one
// enumerated, and such a value names another tree than the one written.
// So whatever a removal acts on it first reads wide and keeps only what
// the page spells exactly.
#pragma once

#include "controls.h"

// The wide text (NUL-terminated) in the code page, into a room of roomSize
// bytes, written only where every character is the page's own:
// ERROR_NO_UNICODE_TRANSLATION where it needs a best-fit or the default
// character (in UTF-8, where it holds an unpaired surrogate), ERROR_MORE_DATA
// where it does not fit, and the conversion's own error where it fails
// otherwise.
LONG SpellExactly(const WCHAR* wide, char* room, DWORD roomSize);

// The name of key's subkey at index, into a room of roomSize bytes:
// ERROR_NO_UNICODE_TRANSLATION where the code page cannot spell it exactly,
// ERROR_MORE_DATA where it does not fit; otherwise what RegEnumKeyA gives.
LONG EnumExactName(HKEY key, DWORD index, char* name, DWORD roomSize);

// The key's default value as QueryDefaultText reads it, or
// ERROR_NO_UNICODE_TRANSLATION where the code page cannot spell it exactly.
ResultCode QueryExactText(HKEY key, char* room, DWORD roomSize);

// The character after the one at text: a double-byte character of the code
// page, whose second byte may be that of "\", or a UTF-8 sequence where the
// code page is UTF-8, is stepped over whole.
const char* NextChar(const char* text);

// How many bytes of text, from its start, make whole characters within
// most bytes: where to cut it to a room without splitting a character.
int WholeCharsWithin(const char* text, int most);
