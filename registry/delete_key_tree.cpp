#include "controls.h"
#include "key_text.h"
#include "stores.h"
#include "exact_text.h"

namespace {

constexpr int kPathRoom = 1024;

// What one walk does, shared by every level of it.
struct Walk {
    const Store* store;
    REGSAM flag;  // the view's, on every open and deletion
    DeleteKeyInView deleteKey;
    bool deleting;
    KeySink sink;  // checking only; may be null
    void* context;
};

ResultCode Report(const Walk& walk, HKEY key, const char* path, KeyVisit visit)
{
    return walk.sink == nullptr ? ERROR_SUCCESS : walk.sink(key, path, visit, walk.context);
}

// Walks the tree of the key whose name begins at nameAt in path, below the
// parent key (open, as itself); path's text is length characters long and
// sits in a room of kPathRoom bytes. Every key is opened below its parent
// as itself, never through a link, and every name enumerated is read wide
// and taken only where the code page spells it exactly: a name it changes
// would open, or delete, some other key. Checking only reads, and refuses
// whatever deleting would stop at; deleting takes the tree apart leaves
// first, each key deleted from its parent by its own name. One room serves
// every level: each child's name is enumerated straight into the room's
// tail and cut off again on the way back, so a level of even the deepest
// tree costs a handle and a few words of stack.
ResultCode WalkTreeInRoom(HKEY parent, char* path, int length, int nameAt, const Walk& walk)
{
    HKEY key;
    ResultCode result = RegOpenKeyExA(parent, path + nameAt, REG_OPTION_OPEN_LINK,
                                      (walk.deleting ? KEY_ALL_ACCESS : KEY_READ) | walk.flag, &key);
    if (result != ERROR_SUCCESS) {
        Report(walk, nullptr, path, kRefusingKey);
        return result;
    }
    result = RefuseLink(key);
    if (result == ERROR_SUCCESS)
        result = Report(walk, key, path, kEnteringKey);
    else
        Report(walk, key, path, kRefusingKey);

    char* childName = path + length + 1;
    const DWORD childRoom = static_cast<DWORD>(kPathRoom - length - 1);
    // At the bottom of the room no child's name fits; a two-byte scratch
    // still tells whether there is a child.
    char scratch[2];
    const bool roomForChild = childRoom >= sizeof scratch;
    // Deleting asks for index 0 every time: the child found last time is
    // gone by now.
    for (DWORD index = 0; result == ERROR_SUCCESS; index += walk.deleting ? 0 : 1) {
        LONG found = roomForChild ? EnumExactName(key, index, childName, childRoom)
                                  : EnumExactName(key, index, scratch, sizeof scratch);
        if (found == ERROR_MORE_DATA || (found == ERROR_SUCCESS && !roomForChild)) {
            // The child's path would not fit its room.
            result = ERROR_FILENAME_EXCED_RANGE;
            Report(walk, key, path, kRefusingKey);
            break;
        }
        if (found != ERROR_SUCCESS) {
            // A deletion ends its loop at any other failure and lets the
            // key's own deletion decide; a check has seen every child only
            // at the end of the list, and refuses a name the code page
            // changes with ERROR_NO_UNICODE_TRANSLATION.
            if (!walk.deleting && found != ERROR_NO_MORE_ITEMS) {
                result = found;
                Report(walk, key, path, kRefusingKey);
            }
            break;
        }
        path[length] = '\\';
        result = WalkTreeInRoom(key, path, length + 1 + lstrlenA(childName), length + 1, walk);
        path[length] = '\0';
        // A child listed a moment ago and gone now: a check reports only
        // the top of the tree missing.
        if (!walk.deleting && result == ERROR_FILE_NOT_FOUND)
            result = ERROR_KEY_DELETED;
    }
    if (result == ERROR_SUCCESS)
        result = Report(walk, key, path, kLeavingKey);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || !walk.deleting)
        return result;
    return DeleteInView(parent, path + nameAt, walk.flag, walk.deleteKey);
}

ResultCode WalkTree(const char* path, const Walk& walk)
{
    const int length = lstrlenA(path);
    if (length >= kPathRoom)
        return ERROR_FILENAME_EXCED_RANGE;
    // An empty path would be HKEY_CLASSES_ROOT itself, and the registry reads
    // "x\", "\x" or "x\\y" as some other key than the one they seem to name.
    if (!IsKeyPath(path))
        return ERROR_BAD_PATHNAME;
    char room[kPathRoom];
    lstrcpyA(room, path);
    int nameAt = 0;
    for (const char* at = room; *at != '\0'; at = NextChar(at)) {
        if (*at == '\\')
            nameAt = static_cast<int>(at - room) + 1;
    }
    HKEY parent;
    bool opened;
    int reached;
    ResultCode result = OpenParentInStore(*walk.store, room, nameAt, &parent, &opened, &reached);
    if (result != ERROR_SUCCESS) {
        // Where the way to the tree stopped: a link on it, for one.
        const char kept = room[reached];
        room[reached] = '\0';
        Report(walk, nullptr, room, kRefusingKey);
        room[reached] = kept;
        return result;
    }
    result = WalkTreeInRoom(parent, room, length, nameAt, walk);
    if (opened)
        RegCloseKey(parent);
    return result;
}

}  // namespace

ResultCode CheckKeyTreeIn(const Store& store, const char* path, KeySink sink, void* context)
{
    Walk walk = {};
    walk.store = &store;
    walk.flag = ViewFlagOf(store);
    walk.deleteKey = store.scope.deleteKey;
    walk.sink = sink;
    walk.context = context;
    return WalkTree(path, walk);
}

ResultCode DeleteKeyTreeIn(const Store& store, const char* path)
{
    Walk walk = {};
    walk.store = &store;
    walk.flag = ViewFlagOf(store);
    walk.deleteKey = store.scope.deleteKey;
    walk.deleting = true;
    return WalkTree(path, walk);
}

namespace {

// A tree named alone is one of the one store the scope names.
ResultCode InSingleStore(const Scope& scope, const char* path, KeySink sink, void* context, bool deleting)
{
    Store store;
    ResultCode result = OpenStore(SingleStoreOf(scope.stores), scope, &store);
    if (result != ERROR_SUCCESS)
        return result;
    result = deleting ? DeleteKeyTreeIn(store, path) : CheckKeyTreeIn(store, path, sink, context);
    CloseStore(store);
    return result;
}

}  // namespace

ResultCode CheckKeyTree(const char* path, KeySink sink, void* context)
{
    return InSingleStore(kShownScope, path, sink, context, false);
}

ResultCode DeleteKeyTree(const char* path)
{
    return InSingleStore(kShownScope, path, nullptr, nullptr, true);
}
