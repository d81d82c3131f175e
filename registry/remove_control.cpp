#include "controls.h"
#include "key_text.h"
#include "views.h"

namespace {

constexpr char kClsidRoot[] = "CLSID\\";
constexpr int kClsidRootLength = sizeof kClsidRoot - 1;

char* FindFirst(char* text, char c)
{
    for (; *text != '\0'; ++text) {
        if (*text == c)
            return text;
    }
    return nullptr;
}

char* FindLast(char* text, char c)
{
    char* last = nullptr;
    for (; *text != '\0'; ++text) {
        if (*text == c)
            last = text;
    }
    return last;
}

// Walks a named tree; one that is already gone holds nothing to delete, and
// its room is emptied so that no deletion is tried.
ResultCode CheckNamedTree(char* tree, KeySink sink, void* context)
{
    if (tree[0] == '\0')
        return ERROR_SUCCESS;
    const ResultCode result = CheckKeyTree(tree, sink, context);
    if (result != ERROR_FILE_NOT_FOUND)
        return result;
    tree[0] = '\0';
    return ERROR_SUCCESS;
}

// Every tree is walked before any of them goes, so that a removal refused
// for a link or a path too long leaves the registration whole rather than
// half removed.
ResultCode CheckTrees(char* progIdTree, char* typeLibTree, const char* classTree, KeySink sink,
                      void* context)
{
    ResultCode result = CheckNamedTree(progIdTree, sink, context);
    if (result == ERROR_SUCCESS)
        result = CheckNamedTree(typeLibTree, sink, context);
    if (result == ERROR_SUCCESS)
        result = CheckKeyTree(classTree, sink, context);
    return result;
}

// Finds, checks, and (when deleting) deletes the ProgID and type-library
// trees the open class key names; the class tree is checked with them and
// left to the caller.
ResultCode RemoveNamedTrees(HKEY classKey, const char* clsidPath, char* room, const RemovalWatch& watch,
                            bool deleting)
{
    char typeLibTree[kTypeLibPathRoom];
    ResultCode result = FindNamedTrees(classKey, clsidPath + kClsidRootLength, room, typeLibTree, watch);
    if (result == ERROR_SUCCESS)
        result = CheckTrees(room, typeLibTree, clsidPath, watch.keys, watch.context);
    if (result != ERROR_SUCCESS || !deleting)
        return result;
    if (room[0] != '\0')
        result = DeleteKeyTree(room);
    if (result == ERROR_SUCCESS && typeLibTree[0] != '\0')
        result = DeleteKeyTree(typeLibTree);
    return result;
}

ResultCode RemoveOrPlan(char* line, const RemovalWatch& watch, bool deleting)
{
    char* lastTab = FindLast(line, '\t');
    if (lastTab == nullptr)
        return 1;
    *lastTab = '\0';  // the server path is not needed
    char* firstTab = FindFirst(line, '\t');
    if (firstTab == nullptr)
        return 1;
    const char* clsid = firstTab + 1;

    if (kClsidRootLength + lstrlenA(clsid) >= kClsidPathRoom)
        return ERROR_FILENAME_EXCED_RANGE;
    char clsidPath[kClsidPathRoom];
    lstrcpyA(clsidPath, kClsidRoot);
    lstrcatA(clsidPath, clsid);
    // "CLSID\" with nothing after it, or with a stray "\", would be read by
    // the registry as "CLSID" itself or as some other key.
    if (clsid[0] == '\0' || HoldsChar(clsid, '\\'))
        return ERROR_BAD_PATHNAME;

    HKEY classKey;
    ResultCode result = OpenKey(HKEY_CLASSES_ROOT, clsidPath, 0, KEY_READ, &classKey);
    if (result != ERROR_SUCCESS)
        return result;
    // The class key names the other two trees, so it stays open while they
    // go and is deleted last. The line room is free for the ProgID now.
    result = RemoveNamedTrees(classKey, clsidPath, line, watch, deleting);
    RegCloseKey(classKey);
    if (result != ERROR_SUCCESS || !deleting)
        return result;
    return DeleteKeyTree(clsidPath);
}

}  // namespace

ResultCode RemoveControl(char* line)
{
    const RemovalWatch none = {nullptr, nullptr, nullptr, nullptr};
    return RemoveOrPlan(line, none, true);
}

ResultCode RemoveControlReporting(char* line, const RemovalWatch& watch)
{
    return RemoveOrPlan(line, watch, true);
}

ResultCode PlanRemoval(char* line, const RemovalWatch& watch)
{
    return RemoveOrPlan(line, watch, false);
}
