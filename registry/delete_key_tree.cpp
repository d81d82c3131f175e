#include "controls.h"
#include "key_text.h"

namespace {

constexpr int kPathRoom = 1024;

// Deletes the tree at path, whose text is length characters long and sits in
// a room of kPathRoom bytes. One room serves every level: each child's name is
// enumerated straight into the room's tail and cut off again on the way back,
// so a level of even the deepest tree costs a handle and a few words of stack.
ResultCode DeleteTreeInRoom(char* path, int length)
{
    HKEY key;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS)
        return result;

    char* childName = path + length + 1;
    const DWORD childRoom = static_cast<DWORD>(kPathRoom - length - 1);
    // At the bottom of the room no child's name fits; a two-byte scratch
    // still tells whether there is a child.
    char scratch[2];
    const bool roomForChild = childRoom >= sizeof scratch;
    for (;;) {
        // Index 0 every time: the child found last time is gone by now.
        LONG found = roomForChild ? RegEnumKeyA(key, 0, childName, childRoom)
                                  : RegEnumKeyA(key, 0, scratch, sizeof scratch);
        if (found == ERROR_MORE_DATA || (found == ERROR_SUCCESS && !roomForChild)) {
            // The child's path would not fit its room.
            result = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        if (found != ERROR_SUCCESS)
            break;
        path[length] = '\\';
        result = DeleteTreeInRoom(path, length + 1 + lstrlenA(childName));
        path[length] = '\0';
        if (result != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return result;
    return RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
}

}  // namespace

ResultCode DeleteKeyTree(const char* path)
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
    return DeleteTreeInRoom(room, length);
}
