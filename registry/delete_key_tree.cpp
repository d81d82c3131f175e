#include "controls.h"
#include "key_text.h"

namespace {

constexpr int kPathRoom = 1024;

enum class Pass { kCheck, kDelete };

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

// Walks the tree at path, whose text is length characters long and sits in a
// room of kPathRoom bytes, opening every key as itself, never through a link.
// Checking only reads, and refuses whatever deleting would stop at for want
// of room or because of a link; deleting takes the tree apart leaves first.
// One room serves every level: each child's name is enumerated straight into
// the room's tail and cut off again on the way back, so a level of even the
// deepest tree costs a handle and a few words of stack.
ResultCode WalkTreeInRoom(char* path, int length, Pass pass)
{
    const bool deleting = pass == Pass::kDelete;
    HKEY key;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, path, REG_OPTION_OPEN_LINK,
                                      deleting ? KEY_ALL_ACCESS : KEY_READ, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = RefuseLink(key);

    char* childName = path + length + 1;
    const DWORD childRoom = static_cast<DWORD>(kPathRoom - length - 1);
    // At the bottom of the room no child's name fits; a two-byte scratch
    // still tells whether there is a child.
    char scratch[2];
    const bool roomForChild = childRoom >= sizeof scratch;
    // Deleting asks for index 0 every time: the child found last time is
    // gone by now.
    for (DWORD index = 0; result == ERROR_SUCCESS; index += deleting ? 0 : 1) {
        LONG found = roomForChild ? RegEnumKeyA(key, index, childName, childRoom)
                                  : RegEnumKeyA(key, index, scratch, sizeof scratch);
        if (found == ERROR_MORE_DATA || (found == ERROR_SUCCESS && !roomForChild)) {
            // The child's path would not fit its room.
            result = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        if (found != ERROR_SUCCESS) {
            // A deletion ends its loop at any failure and lets the key's own
            // deletion decide; a check has seen every child only at the end
            // of the list.
            if (!deleting && found != ERROR_NO_MORE_ITEMS)
                result = found;
            break;
        }
        path[length] = '\\';
        result = WalkTreeInRoom(path, length + 1 + lstrlenA(childName), pass);
        path[length] = '\0';
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || !deleting)
        return result;
    return RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
}

ResultCode WalkTree(const char* path, Pass pass)
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
    return WalkTreeInRoom(room, length, pass);
}

}  // namespace

ResultCode CheckKeyTree(const char* path)
{
    const ResultCode result = WalkTree(path, Pass::kCheck);
    // A tree that is not there holds nothing to refuse: deleting it fails at
    // its open, and a removal stops there as it always has.
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

ResultCode DeleteKeyTree(const char* path)
{
    return WalkTree(path, Pass::kDelete);
}
