#include "controls.h"
#include "exact_text.h"
#include "key_text.h"
#include "stores.h"

namespace {

constexpr DWORD kServerPathRoom = 260;

constexpr char kControlSubkey[] = "\\Control";
constexpr int kMostWholePath = 260;
constexpr DWORD kControlPathRoom = kKeyNameRoom + sizeof kControlSubkey - 1;

// Asks for "<name>\Control" straight from the "CLSID" key. Most classes are
// not controls, and for them this one open settles it: the class key itself
// is opened, with full access, only for the few that are. A name so long
// that the two would pass the 8-bit calls' limit on a whole path (Wine's
// MAX_PATH) is opened a name at a time.
ResultCode OpenControlKey(HKEY classes, const char* keyName, REGSAM flag)
{
    char path[kControlPathRoom];
    lstrcpyA(path, keyName);
    lstrcatA(path, kControlSubkey);
    const bool apart = lstrlenA(path) >= kMostWholePath;
    HKEY classKey = classes;
    ResultCode result = apart ? RegOpenKeyExA(classes, keyName, 0, KEY_READ | flag, &classKey) : ERROR_SUCCESS;
    if (result != ERROR_SUCCESS)
        return result;
    HKEY control;
    result = RegOpenKeyExA(classKey, apart ? kControlSubkey + 1 : path, 0, KEY_READ | flag, &control);
    if (result == ERROR_SUCCESS)
        RegCloseKey(control);  // only its existence counts
    if (apart)
        RegCloseKey(classKey);
    return result;
}

// Reads the class's in-process server path: REG_SZ text that fits its room.
ResultCode ReadServerPath(HKEY classKey, char* server, REGSAM flag)
{
    HKEY sub;
    ResultCode result = RegOpenKeyExA(classKey, "InprocServer32", 0, KEY_READ | flag, &sub);
    if (result != ERROR_SUCCESS)
        return result;
    result = QueryDefaultText(sub, server, kServerPathRoom);
    RegCloseKey(sub);
    return result;
}

// Appends TAB, key name, TAB, server path to the display name in line. A
// display name too long for the whole line is shortened, by whole
// characters, so that the control still appears with the parts its removal
// needs; false, the line as it was, where even those do not fit.
bool CompleteEntryLine(char* line, const char* keyName, const char* server)
{
    const int fixedLength = 2 + lstrlenA(keyName) + lstrlenA(server);
    if (fixedLength > kLineRoom - 1)
        return false;
    if (lstrlenA(line) + fixedLength > kLineRoom - 1)
        line[WholeCharsWithin(line, kLineRoom - 1 - fixedLength)] = '\0';
    lstrcatA(line, "\t");
    lstrcatA(line, keyName);
    lstrcatA(line, "\t");
    lstrcatA(line, server);
    return true;
}

}  // namespace

ResultCode BuildEntryLine(HKEY classes, const char* keyName, REGSAM flag, REGSAM access, char* line)
{
    // The listing passes over a name too long for its room.
    if (lstrlenA(keyName) >= static_cast<int>(kKeyNameRoom))
        return ERROR_MORE_DATA;
    ResultCode result = OpenControlKey(classes, keyName, flag);
    HKEY classKey;
    if (result == ERROR_SUCCESS)
        result = RegOpenKeyExA(classes, keyName, 0, access | flag, &classKey);
    if (result != ERROR_SUCCESS)
        return result;
    char server[kServerPathRoom];
    result = ReadServerPath(classKey, server, flag);
    if (result == ERROR_SUCCESS)
        result = QueryDefaultText(classKey, line, kLineRoom);
    if (result == ERROR_SUCCESS && !CompleteEntryLine(line, keyName, server))
        result = ERROR_MORE_DATA;
    RegCloseKey(classKey);
    return result;
}

namespace {

// Delivers the line of every control of the open "CLSID" key, and closes it.
ResultCode ScanClasses(HKEY classes, REGSAM flag, ControlSink sink, void* context)
{
    char keyName[kKeyNameRoom];
    for (DWORD index = 0;; ++index) {
        LONG found = RegEnumKeyA(classes, index, keyName, kKeyNameRoom);
        // A name too long for its room is one class passed over, not the end
        // of the list: stopping there would hide every control after it.
        if (found == ERROR_MORE_DATA)
            continue;
        if (found != ERROR_SUCCESS)
            break;
        char line[kLineRoom];
        if (BuildEntryLine(classes, keyName, flag, KEY_ALL_ACCESS, line) == ERROR_SUCCESS)
            sink(line, context);
    }
    RegCloseKey(classes);  // handed over by the caller
    return ERROR_SUCCESS;
}

}  // namespace

namespace {

// The merged view's listing, its "CLSID" opened in the view the flag names.
ResultCode FillShownControlList(REGSAM flag, ControlSink sink, void* context)
{
    HKEY classes;
    const ResultCode result = OpenKey(flag, HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes);
    return result != ERROR_SUCCESS ? result : ScanClasses(classes, 0, sink, context);
}

}  // namespace

ResultCode FillControlList(ControlSink sink, void* context)
{
    return FillShownControlList(0, sink, context);
}

ResultCode FillScopeControlList(const Scope& scope, ControlSink sink, void* context)
{
    if (scope.stores == kShownStore)
        return FillShownControlList(scope.view, sink, context);
    return FillStoreControlList(SingleStoreOf(scope.stores), scope, sink, context);
}

ResultCode FillStoreControlList(ClassStore which, const Scope& scope, ControlSink sink, void* context)
{
    Store store;
    ResultCode result = OpenStore(which, scope, &store);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    HKEY classes;
    result = OpenInStore(store, "CLSID", KEY_ALL_ACCESS, &classes);
    const REGSAM flag = ViewFlagOf(store);
    CloseStore(store);
    // A store that keeps no classes of the view lists none.
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return result != ERROR_SUCCESS ? result : ScanClasses(classes, flag, sink, context);
}

ResultCode ShownControlLine(const Scope& scope, const char* line, char* shown)
{
    int start;
    int end;
    if (!FindClassName(line, &start, &end) || end == start || end - start >= static_cast<int>(kKeyNameRoom))
        return 1;
    char keyName[kKeyNameRoom];
    lstrcpynA(keyName, line + start, end - start + 1);
    HKEY classes;
    ResultCode result = OpenKey(scope.view, HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &classes);
    if (result != ERROR_SUCCESS)
        return result;
    result = BuildEntryLine(classes, keyName, 0, KEY_ALL_ACCESS, shown) == ERROR_SUCCESS ? ERROR_SUCCESS
                                                                                         : ERROR_FILE_NOT_FOUND;
    RegCloseKey(classes);
    return result;
}
