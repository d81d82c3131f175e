// The command line: where talvenctl works, and which controls a verb acts
// on.
#pragma once

#include <string>
#include <vector>

#include "controls.h"

// A control as the dialog lists it, its entry line taken apart.
struct Control {
    std::string line;
    std::string name;
    std::string clsid;
    std::string server;
};

// Every control the scope's listing delivers, in its order.
ResultCode ListedControls(const Scope& scope, std::vector<Control>* controls);

// The controls named on the command line, or with --missing every control
// whose server is missing. False, with a message, for a CLSID not listed.
bool SelectControls(const Scope& scope, const std::vector<std::string>& clsids, bool missing,
                    std::vector<Control>* chosen);

// Takes --view 32|64 and --store user|machine out of the arguments into
// the scope; false, with the usage said, for another value or a view this
// system does not keep.
bool TakeScopeOptions(int* argc, char** argv, Scope* scope);

// Parses "CLSID... | --missing" and, where the verb takes them, --backup
// FILE and --yes; false, with the usage said, on anything else.
bool ParseTargets(int argc, char** argv, const char* verb, std::vector<std::string>* clsids, bool* missing,
                  const char** backup, bool* yes);

// Exit codes a script can rely on.
enum ExitCode { kAllDone = 0, kBadUsage = 1, kSomeNotDone = 2 };
int Usage(const char* message);
