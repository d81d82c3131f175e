// Whether a control's in-process server file is still there, looked for as
// the loader of its registration's view would look for it.
#pragma once

#include <windows.h>

enum class ServerState { kPresent, kMissing, kUnchecked };

// Why a server was left unchecked: what cannot be judged without guessing,
// or without waiting on the network.
enum class UncheckedWhy {
    kNone,                 // it was checked
    kNoPath,               // the registration names no file
    kEnvironmentVariable,  // the path holds one, expanded by whoever loads it
    kNetworkPath,          // on the network: a "\\" path or a network drive
    kBesideLoader,         // a name without a folder, found in none that every
                           // program searches: it may lie beside the program
                           // that loads it, or in its current folder
    kRelativePath,         // relative to whichever folder the loader is in
    kNoSystemFolder,       // the system folder could not be told
    kOtherFileSystemHidden,// a 32-bit program could not look past the redirector
    kLookRefused,          // the look failed; error says how
};

struct ServerCheck {
    ServerState state;
    UncheckedWhy why;
    DWORD error;  // for kLookRefused
};

// Each drive's type, asked of the system once per drive for a whole
// listing: under Wine one such question costs as much as thirty looks at a
// file. Start from kNoDriveTypes.
struct DriveTypes {
    DWORD asked;  // a bit per drive letter
    UINT type[26];
};
constexpr DriveTypes kNoDriveTypes = {};

// Checks the server path as registered, as the loader reads it: the text in
// double quotes where it starts with one, "/" a "\", ".dll" added to a name
// without an extension (a "." at its end meaning none), "\\?\" or "\\.\"
// before a drive a local path. A path from a drive's root is looked at, and
// is missing where the file is not there (a folder of that name is no
// file); a name without a folder is looked up where every program's loader
// looks (the system folder, the 16-bit one, the Windows folder, PATH's
// folders from a drive's root), and is present where found, its path then
// into a room of MAX_PATH bytes when found is not null, and otherwise left
// unchecked: the loader looks first beside the program that loads it. The
// network is never visited. view is the registration's view flag, 0 for the
// program's own: a 32-bit loader, seen from a 64-bit program, looks through
// the file system redirector, and a 64-bit one, from a 32-bit program, past
// it. drives keeps what it learns of the drives for the next check.
ServerCheck CheckServerFile(const char* server, REGSAM view, char* found, DriveTypes* drives);
