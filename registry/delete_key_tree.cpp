#include "controls.h"
#include "key_text.h"
#include "stores.h"

namespace {

constexpr int kPathRoom = 1024;

// What one walk does, shared by every level of it.
struct Walk {
    const Store* store;
    bool deleting;
    KeySink sink;  // checking only; may be null
    void* context;
};

// A symbolic link opened as itself holds the value that names its target.
// Opening, enumerating or deleting through a link reaches the target, which
// is never the control's, so a key holding that value is refused, and so is
// one that cannot tell.
ResultCode RefuseLink(HKEY key)
{
    const ResultCode found = RegQueryValueExA(key, kLinkValueName, nullptr, nullptr, nullptr, nullptr);
    if (found == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return found == ERROR_SUCCESS || found == ERROR_MORE_DATA ? ERROR_CANT_RESOLVE_FILENAME : found;
}

ResultCode Report(const Walk& walk, HKEY key, const char* path, KeyVisit visit)
{
    return walk.sink == nullptr ? ERROR_SUCCESS : walk.sink(key, path, visit, walk.context);
}

// Walks the tree at path, whose text is length characters long and sits in a
// room of kPathRoom bytes, opening every key as itself, never through a link.
// Checking only reads, and refuses whatever deleting would stop at for want
// of room or because of a link; deleting takes the tree apart leaves first.
// One room serves every level: each child's name is enumerated straight into
// the room's tail and cut off again on the way back, so a level of even the
// deepest tree costs a handle and a few words of stack.
ResultCode WalkTreeInRoom(char* path, int length, const Walk& walk)
{
    HKEY key;
    ResultCode result =
        OpenInStore(*walk.store, path, REG_OPTION_OPEN_LINK, walk.deleting ? KEY_ALL_ACCESS : KEY_READ, &key);
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
        LONG found = roomForChild ? RegEnumKeyA(key, index, childName, childRoom)
                                  : RegEnumKeyA(key, index, scratch, sizeof scratch);
        if (found == ERROR_MORE_DATA || (found == ERROR_SUCCESS && !roomForChild)) {
            // The child's path would not fit its room.
            result = ERROR_FILENAME_EXCED_RANGE;
            Report(walk, key, path, kRefusingKey);
            break;
        }
        if (found != ERROR_SUCCESS) {
            // A deletion ends its loop at any failure and lets the key's own
            // deletion decide; a check has seen every child only at the end
            // of the list.
            if (!walk.deleting && found != ERROR_NO_MORE_ITEMS) {
                result = found;
                Report(walk, key, path, kRefusingKey);
            }
            break;
        }
        path[length] = '\\';
        result = WalkTreeInRoom(path, length + 1 + lstrlenA(childName), walk);
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
    return DeleteInStore(*walk.store, path);
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
    return WalkTreeInRoom(room, length, walk);
}

}  // namespace

ResultCode CheckKeyTreeIn(const Store& store, const char* path, KeySink sink, void* context)
{
    const Walk walk = {&store, false, sink, context};
    return WalkTree(path, walk);
}

ResultCode DeleteKeyTreeIn(const Store& store, const char* path)
{
    const Walk walk = {&store, true, nullptr, nullptr};
    return WalkTree(path, walk);
}

namespace {

// A tree named alone is one of the store the logic works in: the
// machine's, which is where a key made through HKEY_CLASSES_ROOT goes,
// unless the user's alone is chosen.
ResultCode InChosenStore(const char* path, KeySink sink, void* context, bool deleting)
{
    Store store;
    ResultCode result = OpenStore(ChosenStore() == kUserStoreOnly ? kUserStore : kMachineStore, &store);
    if (result != ERROR_SUCCESS)
        return result;
    result = deleting ? DeleteKeyTreeIn(store, path) : CheckKeyTreeIn(store, path, sink, context);
    CloseStore(store);
    return result;
}

}  // namespace

ResultCode CheckKeyTree(const char* path, KeySink sink, void* context)
{
    return InChosenStore(path, sink, context, false);
}

ResultCode DeleteKeyTree(const char* path)
{
    return InChosenStore(path, nullptr, nullptr, true);
}
