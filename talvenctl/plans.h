// What a removal would delete and keep, and what is left after one.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "census.h"
#include "selection.h"

// What the removal would delete, from its own read-only walk, and what it
// would keep for another registration, and why.
struct RemovalPlan {
    ResultCode result;
    WatchNotes notes;                // its store, and the trees it keeps
    std::vector<std::string> order;  // keys in the order of deletion, from the store's root
    std::string refusedAt;           // where the walk stopped, if it did
    // Each key's path and backup section, in the walk's order, when asked for.
    std::vector<std::pair<std::string, std::u16string>> backup;
};

RemovalPlan PlanFor(const Control& control, const Scope& scope, bool withBackup, const Census& census);
// Where the plan's walk stopped, in its store; empty where it did not.
std::string Where(const RemovalPlan& plan);

// The store a removal of the control would work in, the ProgID tree and
// library it would take besides the class tree, empty where there is none
// or it would be kept. False where the class cannot be read.
bool NamedTreesOf(const Control& control, const Scope& scope, const Census& census, ClassStore* store,
                  std::string* progId, std::string* typeLib);

// After a removal: the store that still registers the control as the
// merged view shows it, if one does.
bool StillRegistered(const Control& control, const Scope& scope, ClassStore removedFrom, ClassStore* other);
