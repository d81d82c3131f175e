// What the verbs of talvenctl share: the listed controls, their servers'
// state, the trees a removal of each would delete, and how to say it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "controls.h"
#include "stores.h"
#include "views.h"

// A control as the dialog lists it, its entry line taken apart.
struct Control {
    std::string line;
    std::string name;
    std::string clsid;
    std::string server;
};

// Every control the listing delivers, in its order: FillControlList's,
// through the merged view, or one store's alone where that is chosen.
ResultCode ListedControls(std::vector<Control>* controls);

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

// A class key of either store and view that names a type library.
struct LibraryUser {
    std::string clsid;
    REGSAM view;
    ClassStore store;
    std::string library;
};

// Every library user of both stores and views, from one pass, and the view
// worked in.
struct Census {
    REGSAM working;
    std::vector<LibraryUser> users;
};

ResultCode TakeCensus(Census* census);
// TakeCensus, saying why it failed.
bool TakeCensusOrSay(Census* census);
// The class of the store and view worked in is no user any more: it has
// been removed, or a plan of many takes it as removed.
void ForgetClass(Census* census, const std::string& clsid, ClassStore store);
// The removal's question, answered from the census.
ResultCode AskCensus(const Census& census, const char* library, const ClassKey& removed, char* user,
                     REGSAM* userView, ClassStore* userStore);

// "user" or "machine".
const char* StoreName(ClassStore store);
// The whole name of the store's root, as a backup names it, and the short
// one that plans and removals print before each key.
const char* StoreRootName(ClassStore store);
const char* StoreShortName(ClassStore store);
// A key of the store, as plans print it.
std::string KeyIn(ClassStore store, const std::string& path);

// The watch's store, kept trees and census questions, for a context that
// holds store, kept (lines) and census.
std::string KeptLine(const char* tree, ClassStore treeStore, const ClassKey& user);
template <typename Context>
void NoteStoreIn(ClassStore store, void* context)
{
    static_cast<Context*>(context)->store = store;
}
template <typename Context>
void NoteKeptIn(const char* tree, const ClassKey& user, void* context)
{
    Context* noted = static_cast<Context*>(context);
    noted->kept.push_back(KeptLine(tree, noted->store, user));
}
template <typename Context>
ResultCode AskCensusIn(const char* library, const ClassKey& removed, char* user, REGSAM* userView,
                       ClassStore* userStore, void* context)
{
    return AskCensus(*static_cast<Context*>(context)->census, library, removed, user, userView, userStore);
}

// "the 32-bit view", "the 64-bit view", or for one view "the registry".
std::string ViewName(REGSAM view);
// The view's bitness, 32 or 64.
int ViewBits(REGSAM view);

// What the removal would delete, from its own read-only walk, and what it
// would keep for another registration, and why.
struct RemovalPlan {
    ResultCode result;
    ClassStore store;                // the store it works in
    std::vector<std::string> order;  // keys in the order of deletion, from the store's root
    std::string refusedAt;           // where the walk stopped, if it did
    std::vector<std::string> kept;   // "STORE\TREE: still named by CLSID in VIEW"
    // Each key's path and backup section, in the walk's order, when asked for.
    std::vector<std::pair<std::string, std::u16string>> backup;
    const Census* census;
};

RemovalPlan PlanFor(const Control& control, bool withBackup, const Census& census);
// Where the plan's walk stopped, in its store; empty where it did not.
std::string Where(const RemovalPlan& plan);

// The store a removal of the control would work in, the ProgID tree and
// library it would take besides the class tree, empty where there is none
// or it would be kept. False where the class cannot be read.
bool NamedTreesOf(const Control& control, const Census& census, ClassStore* store, std::string* progId,
                  std::string* typeLib);

// After a removal: the store that still registers the control as the
// merged view shows it, if one does.
bool StillRegistered(const Control& control, ClassStore removedFrom, ClassStore* other);

// A line of list: the control, its server's state, its ProgID and library.
struct Row {
    Control control;
    ServerState state;
    std::string note;
    std::string progId;
    std::string typeLib;
    int view;  // 32 or 64: the registry view it is registered in
    ClassStore store;  // the store whose registration a removal would take
};

// The rows of every listed control, or of those whose server is missing;
// with trees, each with the ProgID and library its removal would take.
ResultCode ListRows(bool missing, bool trees, std::vector<Row>* rows);

// Takes --view 32|64 out of the arguments and works in that view from now
// on; false, with the usage said, for another value or a view this system
// does not keep.
bool TakeViewOption(int* argc, char** argv);
// Takes --store user|machine out of the arguments and works in that store
// alone from now on; false, with the usage said, for another value.
bool TakeStoreOption(int* argc, char** argv);

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
