// How talvenctl names what it prints: stores, keys, views, failures, and
// text in the encodings its readers take.
#pragma once

#include <windows.h>

#include <string>

#include "controls.h"

// "user" or "machine".
const char* StoreName(ClassStore store);
// The whole name of the store's root, as a backup names it, and the short
// one that plans and removals print before each key.
const char* StoreRootName(ClassStore store);
const char* StoreShortName(ClassStore store);
// A key of the store, as plans print it.
std::string KeyIn(ClassStore store, const std::string& path);

// "the 32-bit view", "the 64-bit view", or for one view "the registry".
std::string ViewName(REGSAM view);
// The view's bitness, 32 or 64.
int ViewBits(REGSAM view);

// Why a removal was refused or failed, in words, with the code.
std::string Reason(ResultCode code, const std::string& where);

// Text in the ANSI code page, as UTF-8 or UTF-16.
std::string Utf8(const std::string& ansi);
std::u16string Utf16(const std::string& ansi);
