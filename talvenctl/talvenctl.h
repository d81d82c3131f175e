// What the verbs of talvenctl share: the listed controls, their servers'
// state, the trees a removal of each would delete, and how to say it.
#pragma once

#include <windows.h>

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

// Every control FillControlList delivers, in its order.
ResultCode ListedControls(std::vector<Control>* controls);

enum class ServerState { kPresent, kMissing, kUnchecked };

// Whether the server file exists: an absolute path is looked at, a bare name
// looked up as the loader looks up a DLL (system folder, Windows folder,
// PATH). What cannot be judged without guessing is unchecked, and note says
// why; for a bare name found, note says where. One file-system call.
ServerState CheckServer(const std::string& server, std::string* note);
const char* StateName(ServerState state);

// What the removal would delete, from its own read-only walk.
struct RemovalPlan {
    ResultCode result;
    std::vector<std::string> order;  // keys in the order of deletion
    std::string refusedAt;           // where the walk stopped, if it did
    // Each key's path and backup section, in the walk's order, when asked for.
    std::vector<std::pair<std::string, std::u16string>> backup;
};

RemovalPlan PlanFor(const Control& control, bool withBackup);

// The ProgID tree and library a removal would take besides the class tree,
// empty where there is none.
void NamedTreesOf(const Control& control, std::string* progId, std::string* typeLib);

// A line of list: the control, its server's state, its ProgID and library.
struct Row {
    Control control;
    ServerState state;
    std::string note;
    std::string progId;
    std::string typeLib;
};

// The rows of every listed control, or of those whose server is missing;
// with trees, each with the ProgID and library its removal would take.
ResultCode ListRows(bool missing, bool trees, std::vector<Row>* rows);

// Why a removal was refused or failed, in words, with the code.
std::string Reason(ResultCode code, const std::string& where);

// Text in the ANSI code page, as UTF-8 or UTF-16.
std::string Utf8(const std::string& ansi);
std::u16string Utf16(const std::string& ansi);

// The controls named on the command line, or with --missing every control
// whose server is missing. False, with a message, for a CLSID not listed.
bool SelectControls(const std::vector<std::string>& clsids, bool missing, std::vector<Control>* chosen);

// Parses "CLSID... | --missing" and, where the verb takes them, --backup
// FILE and --yes; false, with the usage said, on anything else.
bool ParseTargets(int argc, char** argv, const char* verb, std::vector<std::string>* clsids, bool* missing,
                  const char** backup, bool* yes);

int ListVerb(int argc, char** argv);
int PlanVerb(int argc, char** argv);
int RemoveVerb(int argc, char** argv);

// Exit codes a script can rely on.
enum ExitCode { kAllDone = 0, kBadUsage = 1, kSomeNotDone = 2 };
int Usage(const char* message);
