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
    kNetworkFolder,        // a name found in no local folder the loader
                           // searches, where a folder of PATH is on the network
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

// Checks the server path as registered (in double quotes or not): a path
// with a drive is looked at, a name without a folder looked up where the
// loader looks up a DLL (the system folder, the Windows folder, the folders
// of PATH), where it was found into a room of MAX_PATH bytes when found is
// not null. A folder where the file should be is a missing file. view is
// the registration's view flag, 0 for the program's own: a 32-bit loader,
// seen from a 64-bit program, looks through the file system redirector,
// and a 64-bit one, from a 32-bit program, past it. drives keeps what it
// learns of the drives for the next check.
ServerCheck CheckServerFile(const char* server, REGSAM view, char* found, DriveTypes* drives);
