// The text of a backup in the format the platform's registry editor writes
// and `reg import` reads: UTF-16 little-endian with a byte-order mark, a
// section for each key, a line for each value. Free of any Windows call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file's first bytes: the byte-order mark and the format's own line.
std::u16string RegFileHeader();

// A comment, which the importer passes over, and a blank line.
std::u16string RegCommentLine(const std::u16string& text);

// "[path]" and its line end; the path begins with the hive's whole name.
std::u16string RegKeyLine(const std::u16string& path);

// One value as a line that restores its name, type and bytes exactly: a
// clean string as "...", a four-byte DWORD as dword:, everything else, any
// type included, as hex(type): bytes. The default value has the empty name.
std::u16string RegValueLine(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data);
