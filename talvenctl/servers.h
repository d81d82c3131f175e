// Whether a control's server file is still there, in talvenctl's words.
#pragma once

#include <string>

#include "server_file.h"

// The server check of the registry logic: its state, and in note where a
// bare name was found, or why the file was left unchecked.
ServerState CheckServer(const std::string& server, REGSAM view, DriveTypes* drives, std::string* note);
const char* StateName(ServerState state);
