#include "controls.h"
#include "key_text.h"

namespace {

constexpr int kClsidPathRoom = 60;
constexpr DWORD kTypeLibIdRoom = 50;
constexpr char kClsidRoot[] = "CLSID\\";
constexpr char kTypeLibRoot[] = "TYPELIB\\";
constexpr int kClsidRootLength = sizeof kClsidRoot - 1;

static_assert(sizeof kTypeLibRoot - 1 + kTypeLibIdRoom <= kLineRoom,
              "a type-library path must fit the line room");

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

// A ProgID is one key name whose "CLSID" subkey names its class. Anything
// else in a "ProgID" value ("CLSID", "TypeLib", "CLSID\{other}", a ProgID
// of another class) would have the removal delete what is not this
// control's, so it ends the removal before anything is deleted.
ResultCode CheckProgIdNamesClass(const char* progId, const char* clsid)
{
    if (HoldsChar(progId, '\\'))
        return ERROR_BAD_PATHNAME;
    HKEY progIdKey;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, progId, 0, KEY_READ, &progIdKey);
    if (result != ERROR_SUCCESS)
        return result;
    HKEY namedKey;
    result = RegOpenKeyExA(progIdKey, "CLSID", 0, KEY_READ, &namedKey);
    RegCloseKey(progIdKey);
    if (result != ERROR_SUCCESS)
        return result;
    char named[kClsidPathRoom];
    result = QueryDefaultText(namedKey, named, sizeof named);
    RegCloseKey(namedKey);
    if (result != ERROR_SUCCESS)
        return result;
    return lstrcmpiA(named, clsid) == 0 ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

// Reads the default value of classKey's subkey into room; false when the
// subkey or a usable, non-empty REG_SZ value is missing.
bool ReadSubkeyText(HKEY classKey, const char* subkey, char* room, DWORD roomSize)
{
    HKEY sub;
    if (RegOpenKeyExA(classKey, subkey, 0, KEY_READ, &sub) != ERROR_SUCCESS)
        return false;
    ResultCode read = QueryDefaultText(sub, room, roomSize);
    RegCloseKey(sub);
    return read == ERROR_SUCCESS && room[0] != '\0';
}

ResultCode RemoveProgIdTree(HKEY classKey, const char* clsid, char* room)
{
    if (!ReadSubkeyText(classKey, "ProgID", room, kLineRoom))
        return ERROR_SUCCESS;
    ResultCode result = CheckProgIdNamesClass(room, clsid);
    if (result != ERROR_SUCCESS)
        return result;
    return DeleteKeyTree(room);
}

ResultCode RemoveTypeLibTree(HKEY classKey, char* room)
{
    char typeLibId[kTypeLibIdRoom];
    // An identifier is one key name; one holding "\" would name only part of
    // a type library's tree, or the root of all of them, so it is passed
    // over like any other unusable value.
    if (!ReadSubkeyText(classKey, "Typelib", typeLibId, kTypeLibIdRoom) ||
        HoldsChar(typeLibId, '\\'))
        return ERROR_SUCCESS;
    lstrcpyA(room, kTypeLibRoot);
    lstrcatA(room, typeLibId);
    return DeleteKeyTree(room);
}

}  // namespace

ResultCode RemoveControl(char* line)
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
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, clsidPath, 0, KEY_READ, &classKey);
    if (result != ERROR_SUCCESS)
        return result;
    // The class key names the other two trees, so it stays open while they
    // go and is deleted last. The line room is free for their paths now.
    const char* clsidText = clsidPath + kClsidRootLength;
    result = RemoveProgIdTree(classKey, clsidText, line);
    if (result == ERROR_SUCCESS)
        result = RemoveTypeLibTree(classKey, line);
    RegCloseKey(classKey);
    if (result != ERROR_SUCCESS)
        return result;
    return DeleteKeyTree(clsidPath);
}
