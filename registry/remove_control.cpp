#include "controls.h"
#include "key_text.h"

namespace {

constexpr int kClsidPathRoom = 60;
constexpr DWORD kTypeLibIdRoom = 50;
constexpr char kClsidRoot[] = "CLSID\\";
constexpr char kTypeLibRoot[] = "TYPELIB\\";
constexpr int kClsidRootLength = sizeof kClsidRoot - 1;

constexpr int kTypeLibPathRoom = sizeof kTypeLibRoot - 1 + kTypeLibIdRoom;

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

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

constexpr int kLongestProgId = 39;

// A ProgID as COM names one: at most 39 letters, digits and periods, starting
// with a letter, in parts joined by single periods ("Vendor.Control.1"). No
// shared root of the class store is named so ("CLSID", "TypeLib",
// "Interface", "AppID", ".ext", "*"), and no path is.
bool IsProgIdName(const char* text)
{
    if (!IsLetter(text[0]))
        return false;
    int length = 0;
    bool period = false;
    for (; text[length] != '\0'; ++length) {
        const char c = text[length];
        if (c == '.') {
            if (text[length - 1] == '.')
                return false;
            period = true;
        } else if (!IsLetter(c) && !IsDigit(c)) {
            return false;
        }
    }
    return length <= kLongestProgId && period && text[length - 1] != '.';
}

// A library identifier as type libraries are registered under:
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in hexadecimal digits. With it,
// "TYPELIB\%s" can name one library's key and nothing else.
bool IsLibraryId(const char* text)
{
    static const char kForm[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    for (int i = 0; kForm[i] != '\0'; ++i) {
        if (kForm[i] == 'x' ? !IsHexDigit(text[i]) : text[i] != kForm[i])
            return false;
    }
    return text[sizeof kForm - 1] == '\0';
}

// A ProgID's key names its class in its "CLSID" subkey. Anything else in a
// "ProgID" value (a root of the class store, "CLSID\{other}", a ProgID of
// another class) would have the removal delete what is not this control's,
// so it ends the removal before anything is deleted.
ResultCode CheckProgIdNamesClass(const char* progId, const char* clsid)
{
    if (!IsProgIdName(progId))
        return ERROR_INVALID_NAME;
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

// Puts the path of the control's ProgID tree in room, or the empty text when
// the class names none.
ResultCode FindProgIdTree(HKEY classKey, const char* clsid, char* room)
{
    if (!ReadSubkeyText(classKey, "ProgID", room, kLineRoom)) {
        room[0] = '\0';
        return ERROR_SUCCESS;
    }
    return CheckProgIdNamesClass(room, clsid);
}

// Puts the path of the control's type-library tree in room, or the empty
// text when the class names no library. A value that is not a library
// identifier ("{lib}\1.0", "", one too long) names none and is passed over.
void FindTypeLibTree(HKEY classKey, char* room)
{
    char typeLibId[kTypeLibIdRoom];
    room[0] = '\0';
    if (ReadSubkeyText(classKey, "Typelib", typeLibId, kTypeLibIdRoom) && IsLibraryId(typeLibId)) {
        lstrcpyA(room, kTypeLibRoot);
        lstrcatA(room, typeLibId);
    }
}

// Every tree is walked before any of them goes, so that a removal refused
// for a link or a path too long leaves the registration whole rather than
// half removed.
ResultCode CheckTrees(const char* progIdTree, const char* typeLibTree, const char* classTree)
{
    ResultCode result = progIdTree[0] == '\0' ? ERROR_SUCCESS : CheckKeyTree(progIdTree);
    if (result == ERROR_SUCCESS && typeLibTree[0] != '\0')
        result = CheckKeyTree(typeLibTree);
    if (result == ERROR_SUCCESS)
        result = CheckKeyTree(classTree);
    return result;
}

// Finds, checks, and deletes the ProgID and type-library trees the open
// class key names; the class tree is checked with them and left to the caller.
ResultCode RemoveNamedTrees(HKEY classKey, const char* clsidPath, char* room)
{
    char typeLibTree[kTypeLibPathRoom];
    ResultCode result = FindProgIdTree(classKey, clsidPath + kClsidRootLength, room);
    if (result != ERROR_SUCCESS)
        return result;
    FindTypeLibTree(classKey, typeLibTree);
    result = CheckTrees(room, typeLibTree, clsidPath);
    if (result == ERROR_SUCCESS && room[0] != '\0')
        result = DeleteKeyTree(room);
    if (result == ERROR_SUCCESS && typeLibTree[0] != '\0')
        result = DeleteKeyTree(typeLibTree);
    return result;
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
    // go and is deleted last. The line room is free for the ProgID now.
    result = RemoveNamedTrees(classKey, clsidPath, line);
    RegCloseKey(classKey);
    if (result != ERROR_SUCCESS)
        return result;
    return DeleteKeyTree(clsidPath);
}
