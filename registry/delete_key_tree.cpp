#include "controls.h"
#include "key_text.h"
#include "stores.h"
#include "exact_text.h"

namespace {

constexpr int kPathRoom = 1024;

// NtDeleteKey deletes the very key object its handle holds: a key opened
// as itself and checked is the key that goes, whatever has been renamed
// or linked in its place since. A deletion by name (RegDeleteKeyA and its
// like) opens the name afresh, through any link now there, and deletes
// that link's target. Looked up, not imported: ntdll is in every process,
// and the programs' imports stay those of the documented Win32 DLLs.
typedef LONG(WINAPI* DeleteByHandle)(HANDLE key);
typedef ULONG(WINAPI* StatusToError)(LONG status);

struct KeyDeleter {
    DeleteByHandle deleteKey;
    StatusToError toError;
};

KeyDeleter FindKeyDeleter()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    KeyDeleter deleter = {nullptr, nullptr};
    if (ntdll == nullptr)
        return deleter;
    deleter.deleteKey =
        reinterpret_cast<DeleteByHandle>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDeleteKey")));
    deleter.toError = reinterpret_cast<StatusToError>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    return deleter;
}

LONG DeleteOpenKey(const KeyDeleter& deleter, HKEY key)
{
    if (deleter.deleteKey == nullptr || deleter.toError == nullptr)
        return ERROR_PROC_NOT_FOUND;
    const LONG status = deleter.deleteKey(key);
    return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(deleter.toError(status));
}

// What one walk does, shared by every level of it.
struct Walk {
    const Store* store;
    REGSAM flag;  // the view's, on every open
    bool deleting;
    KeyDeleter deleter;
    KeySink sink;  // may be null
    void* context;
    long keys;  // checking: the keys seen; deleting: the keys gone
    long most;  // deleting: as many as the check saw, or kAnyCount
};

ResultCode Report(const Walk& walk, HKEY key, const char* path, KeyVisit visit)
{
    return walk.sink == nullptr ? ERROR_SUCCESS : walk.sink(key, path, visit, walk.context);
}

// True where the key has a subkey now: one that appeared after its last
// was deleted makes its own deletion fail.
bool HasSubkey(HKEY key)
{
    char scratch[2];
    const LONG found = EnumExactName(key, 0, scratch, sizeof scratch);
    return found == ERROR_SUCCESS || found == ERROR_MORE_DATA || found == ERROR_NO_UNICODE_TRANSLATION;
}

// Deletes the key through its handle, once its subkeys are gone; a key
// beyond the count the check saw, or one that gained a subkey since its
// last went, is a tree that changed after it was checked.
ResultCode DeleteChecked(Walk& walk, HKEY key, bool sawEnd)
{
    if (walk.most != kAnyCount && walk.keys >= walk.most)
        return kRegistrationChanged;
    ResultCode result = DeleteOpenKey(walk.deleter, key);
    if (result != ERROR_SUCCESS && sawEnd && HasSubkey(key))
        result = kRegistrationChanged;
    if (result == ERROR_SUCCESS)
        ++walk.keys;
    return result;
}

// Walks the tree of the key whose name begins at nameAt in path, below the
// parent key (open, as itself); path's text is length characters long and
// sits in a room of kPathRoom bytes. Every key is opened below its parent
// as itself, never through a link, and every name enumerated is read wide
// and taken only where the code page spells it exactly: a name it changes
// would open some other key. Checking only reads, and refuses whatever
// deleting would stop at; deleting takes the tree apart leaves first, each
// key opened and checked again and deleted through that same handle. One
// room serves every level: each child's name is enumerated straight into
// the room's tail and cut off again on the way back, so a level of even the
// deepest tree costs a handle and a few words of stack.
ResultCode WalkTreeInRoom(HKEY parent, char* path, int length, int nameAt, Walk& walk)
{
    HKEY key;
    ResultCode result = RegOpenKeyExA(parent, path + nameAt, REG_OPTION_OPEN_LINK,
                                      (walk.deleting ? KEY_ALL_ACCESS : KEY_READ) | walk.flag, &key);
    if (result != ERROR_SUCCESS) {
        Report(walk, nullptr, path, kRefusingKey);
        return result;
    }
    result = RefuseLink(key);
    if (result != ERROR_SUCCESS)
        Report(walk, key, path, kRefusingKey);
    else if (!walk.deleting)
        result = Report(walk, key, path, kEnteringKey);

    char* childName = path + length + 1;
    const DWORD childRoom = static_cast<DWORD>(kPathRoom - length - 1);
    // At the bottom of the room no child's name fits; a two-byte scratch
    // still tells whether there is a child.
    char scratch[2];
    const bool roomForChild = childRoom >= sizeof scratch;
    bool sawEnd = false;
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
            sawEnd = found == ERROR_NO_MORE_ITEMS;
            if (!walk.deleting && !sawEnd) {
                result = found;
                Report(walk, key, path, kRefusingKey);
            }
            break;
        }
        path[length] = '\\';
        result = WalkTreeInRoom(key, path, length + 1 + lstrlenA(childName), length + 1, walk);
        path[length] = '\0';
        // A child listed a moment ago and gone now: the tree changed.
        if (result == ERROR_FILE_NOT_FOUND)
            result = ERROR_KEY_DELETED;
    }
    if (result == ERROR_SUCCESS && !walk.deleting) {
        result = Report(walk, key, path, kLeavingKey);
        ++walk.keys;
    } else if (result == ERROR_SUCCESS) {
        result = DeleteChecked(walk, key, sawEnd);
        if (result != ERROR_SUCCESS)
            Report(walk, key, path, kRefusingKey);
    }
    RegCloseKey(key);
    return result;
}

// After the tree's top went through its handle, nothing may hold its name:
// a key there now was renamed or linked into its place while the deletion
// ran, and a link there is named as one. Only what it sees counts: the
// tree is gone either way, and nothing is deleted after a look that failed.
ResultCode ConfirmGone(HKEY parent, const char* path, int nameAt, const Walk& walk)
{
    HKEY again;
    if (RegOpenKeyExA(parent, path + nameAt, REG_OPTION_OPEN_LINK, KEY_READ | walk.flag, &again) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    ResultCode result = RefuseLink(again);
    if (result == ERROR_SUCCESS)
        result = kRegistrationChanged;
    Report(walk, again, path, kRefusingKey);
    RegCloseKey(again);
    return result;
}

ResultCode WalkTree(const char* path, Walk& walk)
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
    if (walk.deleting && result == ERROR_SUCCESS)
        result = ConfirmGone(parent, room, nameAt, walk);
    if (opened)
        RegCloseKey(parent);
    if (walk.most == kAnyCount)
        return result;
    // A tree checked whole and found otherwise now: gone, grown or shrunk.
    if (result == ERROR_FILE_NOT_FOUND || (result == ERROR_SUCCESS && walk.keys != walk.most))
        return kRegistrationChanged;
    return result;
}

Walk NewWalk(const Store& store, bool deleting, KeySink sink, void* context, long most)
{
    Walk walk = {};
    walk.store = &store;
    walk.flag = ViewFlagOf(store);
    walk.deleting = deleting;
    if (deleting)
        walk.deleter = FindKeyDeleter();
    walk.sink = sink;
    walk.context = context;
    walk.most = most;
    return walk;
}

}  // namespace

ResultCode CheckKeyTreeIn(const Store& store, const char* path, KeySink sink, void* context, long* keys)
{
    Walk walk = NewWalk(store, false, sink, context, kAnyCount);
    const ResultCode result = WalkTree(path, walk);
    if (keys != nullptr)
        *keys = walk.keys;
    return result;
}

ResultCode DeleteKeyTreeIn(const Store& store, const char* path, long checked, KeySink sink, void* context)
{
    Walk walk = NewWalk(store, true, sink, context, checked);
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
    result = deleting ? DeleteKeyTreeIn(store, path, kAnyCount, nullptr, nullptr)
                      : CheckKeyTreeIn(store, path, sink, context, nullptr);
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
