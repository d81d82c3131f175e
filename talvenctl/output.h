// How talvenctl names what it prints: stores, keys, views, failures, and
// text in the encodings its readers take.
#pragma once

#include <windows.h>

#include <cstdio>
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

// Text in the ANSI code page as UTF-16, and how many characters it holds
// (a column's width: a character outside the Basic Multilingual Plane is one).
std::u16string Utf16(const std::string& ansi);
size_t Characters(const std::string& ansi);

// Text in the ANSI code page, printf's way, written to stdout or stderr
// exactly: to a console through its wide output, to a file or a pipe as
// UTF-8.
void Say(FILE* stream, const char* format, ...);
void Write(FILE* stream, const std::string& ansi);
