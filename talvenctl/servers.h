// Whether a control's server file is still there, looked for as the loader
// would.
#pragma once

#include <windows.h>

#include <string>

enum class ServerState { kPresent, kMissing, kUnchecked };

// Whether the server file exists: an absolute path is looked at, a bare name
// looked up as the loader looks up a DLL (system folder, Windows folder,
// PATH). What cannot be judged without guessing is unchecked, and note says
// why; for a bare name found, note says where.
// The server is looked for as the loader of the registration's view (its
// flag, or 0 for the program's own) would look: from a program of the other
// bitness through the file system redirector's eyes.
ServerState CheckServer(const std::string& server, REGSAM view, std::string* note);
const char* StateName(ServerState state);
