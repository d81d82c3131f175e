// Which ProgID and type-library trees a class's values name as its own.
#include "controls.h"
#include "exact_text.h"
#include "key_text.h"
#include "other_users.h"
#include "stores.h"

namespace {

constexpr char kTypeLibRoot[] = "TYPELIB\\";
static_assert(sizeof kTypeLibRoot - 1 + kTypeLibIdRoom == kTypeLibPathRoom,
              "a library's path must fit its room");

// The shared keys at the top of the class store: each holds registrations
// of some kind, or of every file, folder or type at once, and none is any
// one class's ProgID, whatever subkeys it has been given.
const char* const kSharedRoots[] = {
    "*", "ActivatableClasses", "AllFilesystemObjects", "AppID", "Applications", "CLSID",
    "Component Categories", "DirectShow", "Directory", "Drive", "Extensions", "FileType",
    "Folder", "Installer", "Interface", "Licenses", "Local Settings", "Media Type",
    "MediaFoundation", "MIME", "Network", "PackagedCom", "Printers", "Protocols", "Record",
    "SystemFileAssociations", "TypeLib", "Unknown", "Wow6432Node",
};

// A genuine ProgID tree holds a handful of keys (the class, its current
// version, verbs, an icon), never another registration; the roots of the
// class store hold thousands.
constexpr int kMostProgIdKeys = 64;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A ProgID names one key at the top of the class store by any spelling
// ("Vendor.Control.1", "StdFont", "VBScript Author", "htmlfile_FullWindow"),
// but never a path, a file extension or a shared root.
bool CanNameProgIdTree(const char* name)
{
    if (name[0] == '\0' || name[0] == '.' || HoldsChar(name, '\\'))
        return false;
    for (const char* root : kSharedRoots) {
        if (lstrcmpiA(name, root) == 0)
            return false;
    }
    return true;
}

// Reads the default value of the class key's subkey, as itself and in the
// view, into room, spelt exactly: a value the code page changes names some
// other tree than the one written. False when the subkey or a usable value
// is missing, or the value is not exact.
bool ReadNamingText(const Store& store, HKEY key, const char* subkey, char* room, DWORD roomSize)
{
    return ReadSubkeyText(key, subkey, ViewFlagOf(store), kExactAsItself, room, roomSize) == ERROR_SUCCESS;
}

struct TreeShape {
    int keys;
    bool foreign;  // holds what no ProgID tree holds
};

// Stops the walk at the first key that shows the tree is no ProgID's.
ResultCode MeasureProgIdTree(HKEY, const char* path, KeyVisit visit, void* context)
{
    TreeShape* shape = static_cast<TreeShape*>(context);
    if (visit != kEnteringKey)
        return ERROR_SUCCESS;
    const char* name = path;
    for (const char* at = path; *at != '\0'; at = NextChar(at)) {
        if (*at == '\\')
            name = at + 1;
    }
    shape->foreign = ++shape->keys > kMostProgIdKeys || IsIdentifier(name);
    return shape->foreign ? ERROR_INVALID_DATA : ERROR_SUCCESS;
}

// 0 with the room left as it is when the key it names in the store is this
// class's own ProgID tree: its "CLSID" subkey names the class back, and it
// is small and holds no key named like a registration. 0 with the room
// emptied when it is not, or is gone; nonzero when that cannot be told.
ResultCode KeepIfOwnProgIdTree(const Store& store, const char* clsid, char* room)
{
    HKEY progIdKey;
    ResultCode result = OpenInStore(store, room, KEY_READ, &progIdKey);
    // A link on the way is left to the walk, which refuses it and says where.
    if (result == ERROR_CANT_RESOLVE_FILENAME)
        return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) {
        room[0] = '\0';
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
    // Its "CLSID" spelt exactly: any other text names no class.
    bool namesClass;
    result = SubkeyNames(progIdKey, "CLSID", ViewFlagOf(store), kExactAsItself, clsid, &namesClass);
    RegCloseKey(progIdKey);
    if (result != ERROR_SUCCESS || !namesClass) {
        room[0] = '\0';
        return result;
    }
    TreeShape shape = {0, false};
    result = CheckKeyTreeIn(store, room, MeasureProgIdTree, &shape, nullptr);
    if (shape.foreign) {
        room[0] = '\0';
        return ERROR_SUCCESS;
    }
    // What the removal's own walk refuses (a link, a path too long, a name
    // the code page changes) is left to it, which says where.
    if (result == ERROR_CANT_RESOLVE_FILENAME || result == ERROR_FILENAME_EXCED_RANGE ||
        result == ERROR_NO_UNICODE_TRANSLATION)
        return ERROR_SUCCESS;
    return result;
}

}  // namespace

bool IsIdentifier(const char* text)
{
    static const char kForm[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    for (int i = 0; kForm[i] != '\0'; ++i) {
        if (kForm[i] == 'x' ? !IsHexDigit(text[i]) : text[i] != kForm[i])
            return false;
    }
    return text[sizeof kForm - 1] == '\0';
}

ResultCode FindNamedTrees(const Store& store, HKEY classKey, const char* clsid, char* progIdTree, char* typeLibTree,
                          const RemovalWatch& watch)
{
    // A library identifier makes "TYPELIB\%s" name one library's key and
    // nothing else; any other value ("{lib}\1.0", "", one too long) names
    // none.
    char typeLibId[kTypeLibIdRoom];
    typeLibTree[0] = '\0';
    if (ReadNamingText(store, classKey, "Typelib", typeLibId, kTypeLibIdRoom) && IsIdentifier(typeLibId)) {
        lstrcpyA(typeLibTree, kTypeLibRoot);
        lstrcatA(typeLibTree, typeLibId);
    }
    ResultCode result = KeepLibraryOfOthers(store, clsid, typeLibTree, watch);
    if (result != ERROR_SUCCESS)
        return result;
    if (!ReadNamingText(store, classKey, "ProgID", progIdTree, kLineRoom) || !CanNameProgIdTree(progIdTree)) {
        progIdTree[0] = '\0';
        return ERROR_SUCCESS;
    }
    result = KeepIfOwnProgIdTree(store, clsid, progIdTree);
    if (result == ERROR_SUCCESS)
        result = KeepProgIdOfOtherRegistrations(store, clsid, progIdTree, watch);
    return result;
}
