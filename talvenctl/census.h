// The classes that name a type library, counted once for a whole run, and
// the watch that asks the count instead of passing over every class.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "controls.h"

// A class key of either store and view that names a type library.
struct LibraryUser {
    std::string clsid;
    REGSAM view;
    ClassStore store;
    std::string library;
    bool spelt;  // the class key's own name, not the 8-bit calls' spelling of another
};

// Every library user of both stores and views, from one pass, and the view
// worked in.
struct Census {
    REGSAM working;
    std::vector<LibraryUser> users;
};

ResultCode TakeCensus(const Scope& scope, Census* census);
// TakeCensus, saying why it failed.
bool TakeCensusOrSay(const Scope& scope, Census* census);
// The class of the store and view worked in is no user any more: it has
// been removed, or a plan of many takes it as removed.
void ForgetClass(Census* census, const std::string& clsid, ClassStore store);
// The removal's question, answered from the census.
ResultCode AskCensus(const Census& census, const char* library, const ClassKey& removed, char* user,
                     REGSAM* userView, ClassStore* userStore);

// What a removal's watch notes for a plan or a removal: the store it works
// in, told first, and each tree it keeps, said as "STORE\TREE: still named
// by CLSID in VIEW"; it asks the census who else uses a library. Where keys
// is not null it is shown each key, with owner as its context.
struct WatchNotes {
    const Census* census;
    KeySink keys;
    void* owner;
    ClassStore store;
    std::vector<std::string> kept;
};

// The watch that fills notes, which must outlive the removal.
RemovalWatch NotingWatch(WatchNotes* notes);
