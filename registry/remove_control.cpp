#include "controls.h"
#include "key_text.h"
#include "stores.h"

namespace {

constexpr char kClsidRoot[] = "CLSID\\";
constexpr int kClsidRootLength = sizeof kClsidRoot - 1;

// The trees a removal takes, each with the count of keys its walk saw.
struct Trees {
    char* progId;  // in the line's room
    char typeLib[kTypeLibPathRoom];
    const char* classTree;
    long progIdKeys;
    long typeLibKeys;
    long classKeys;
};

// Walks a named tree; one that is already gone holds nothing to delete, and
// its room is emptied so that no deletion is tried.
ResultCode CheckNamedTree(const Store& store, char* tree, long* keys, KeySink sink, void* context)
{
    if (tree[0] == '\0')
        return ERROR_SUCCESS;
    const ResultCode result = CheckKeyTreeIn(store, tree, sink, context, keys);
    if (result != ERROR_FILE_NOT_FOUND)
        return result;
    tree[0] = '\0';
    return ERROR_SUCCESS;
}

// Every tree is walked before any of them goes, so that a removal refused
// for a link or a path too long leaves the registration whole rather than
// half removed.
ResultCode CheckTrees(const Store& store, Trees* trees, KeySink sink, void* context)
{
    ResultCode result = CheckNamedTree(store, trees->progId, &trees->progIdKeys, sink, context);
    if (result == ERROR_SUCCESS)
        result = CheckNamedTree(store, trees->typeLib, &trees->typeLibKeys, sink, context);
    if (result == ERROR_SUCCESS)
        result = CheckKeyTreeIn(store, trees->classTree, sink, context, &trees->classKeys);
    return result;
}

// Deletes a tree the walk saw whole, as it saw it: one that changed since
// stops the removal.
ResultCode DeleteCheckedTree(const Store& store, const char* tree, long keys, const RemovalWatch& watch)
{
    if (tree[0] == '\0')
        return ERROR_SUCCESS;
    return DeleteKeyTreeIn(store, tree, keys, watch.keys, watch.context);
}

// Finds, checks, and (when deleting) deletes the ProgID and type-library
// trees the open class key names; the class tree is checked with them and
// left to the caller, with the count of its keys.
ResultCode RemoveNamedTrees(const Store& store, HKEY classKey, const char* clsidPath, char* room,
                            const RemovalWatch& watch, bool deleting, long* classKeys)
{
    Trees trees = {};
    trees.progId = room;
    trees.classTree = clsidPath;
    ResultCode result = FindNamedTrees(store, classKey, clsidPath + kClsidRootLength, room, trees.typeLib, watch);
    if (result == ERROR_SUCCESS)
        result = CheckTrees(store, &trees, watch.keys, watch.context);
    *classKeys = trees.classKeys;
    if (result != ERROR_SUCCESS || !deleting)
        return result;
    result = DeleteCheckedTree(store, trees.progId, trees.progIdKeys, watch);
    if (result == ERROR_SUCCESS)
        result = DeleteCheckedTree(store, trees.typeLib, trees.typeLibKeys, watch);
    return result;
}

// A link on the way to the class key ends the removal there: the watch is
// shown the store and the key.
void ShowWhereRefused(const RemovalWatch& watch, const StoreStop& stop, const char* clsidPath, ResultCode result)
{
    if (result != ERROR_CANT_RESOLVE_FILENAME || stop.reached == 0)
        return;
    char where[kClsidPathRoom];
    lstrcpynA(where, clsidPath, stop.reached + 1);
    if (watch.store != nullptr)
        watch.store(stop.which, watch.context);
    if (watch.keys != nullptr)
        watch.keys(nullptr, where, kRefusingKey, watch.context);
}

// Removes, or plans the removal of, the class in the store whose
// registration builds the line confirmed.
ResultCode RemoveInStore(const Scope& scope, const char* clsidPath, const char* confirmed, char* room,
                         const RemovalWatch& watch, bool deleting)
{
    Store store;
    StoreStop stop = {kMachineStore, 0};
    ResultCode result = OpenStoreOfClass(scope, clsidPath, confirmed, &store, &stop);
    if (result != ERROR_SUCCESS) {
        ShowWhereRefused(watch, stop, clsidPath, result);
        return result;
    }
    if (watch.store != nullptr)
        watch.store(store.which, watch.context);
    HKEY classKey;
    result = OpenInStore(store, clsidPath, KEY_READ, &classKey);
    if (result == ERROR_SUCCESS) {
        // The class key names the other two trees, so it stays open while
        // they go and is deleted last. The line room is free for the ProgID
        // now.
        long classKeys = 0;
        result = RemoveNamedTrees(store, classKey, clsidPath, room, watch, deleting, &classKeys);
        RegCloseKey(classKey);
        if (result == ERROR_SUCCESS && deleting)
            result = DeleteCheckedTree(store, clsidPath, classKeys, watch);
    }
    CloseStore(store);
    return result;
}

ResultCode RemoveOrPlan(char* line, const Scope& scope, const RemovalWatch& watch, bool deleting)
{
    int start;
    int end;
    if (!FindClassName(line, &start, &end))
        return 1;
    // Exactly the registration that builds this line is removed, or none.
    char confirmed[kLineRoom];
    lstrcpynA(confirmed, line, kLineRoom);
    line[end] = '\0';  // the server path is not needed
    const char* clsid = line + start;

    if (kClsidRootLength + lstrlenA(clsid) >= kClsidPathRoom)
        return ERROR_FILENAME_EXCED_RANGE;
    char clsidPath[kClsidPathRoom];
    lstrcpyA(clsidPath, kClsidRoot);
    lstrcatA(clsidPath, clsid);
    // "CLSID\" with nothing after it, or with a stray "\", would be read by
    // the registry as "CLSID" itself or as some other key.
    if (clsid[0] == '\0' || HoldsChar(clsid, '\\'))
        return ERROR_BAD_PATHNAME;

    return RemoveInStore(scope, clsidPath, confirmed, line, watch, deleting);
}

}  // namespace

ResultCode RemoveControl(char* line)
{
    const RemovalWatch none = {};
    return RemoveOrPlan(line, kShownScope, none, true);
}

ResultCode RemoveControlReporting(char* line, const Scope& scope, const RemovalWatch& watch)
{
    return RemoveOrPlan(line, scope, watch, true);
}

ResultCode PlanRemoval(char* line, const Scope& scope, const RemovalWatch& watch)
{
    return RemoveOrPlan(line, scope, watch, false);
}
