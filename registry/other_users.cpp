// Who else still uses a tree a removal would delete: the class's key in the
// other registry view, and every class key of either view that names the
// same type library. Only ever a reason to keep a tree, never to delete one.
#include "controls.h"
#include "key_text.h"
#include "other_users.h"

namespace {

constexpr char kTypelibSubkey[] = "\\Typelib";

// The default value of a key below parent, opened in the view that flag
// names, into the room; the room emptied where the key or a usable REG_SZ
// value is missing. A failure only where that cannot be told.
ResultCode ReadTextInView(HKEY parent, const char* path, REGSAM flag, char* room, DWORD roomSize)
{
    room[0] = '\0';
    HKEY key;
    ResultCode result = RegOpenKeyExA(parent, path, 0, KEY_READ | flag, &key);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    result = QueryDefaultText(key, room, roomSize);
    RegCloseKey(key);
    if (result == ERROR_SUCCESS)
        return result;
    room[0] = '\0';
    // No value, or no text of that room: nothing named.
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_INVALID_DATA || result == ERROR_MORE_DATA
               ? ERROR_SUCCESS
               : result;
}

// One view's classes: for most of them, which name no library, one open
// besides the enumeration. A class whose library cannot be read might use
// any library, so that ends the pass.
ResultCode PassOverView(REGSAM flag, LibraryUserSink sink, void* context)
{
    HKEY classes;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | flag, &classes);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    char path[kClassNameRoom + sizeof kTypelibSubkey - 1];
    char library[kTypeLibIdRoom];
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        const LONG found = RegEnumKeyA(classes, index, path, kClassNameRoom);
        if (found == ERROR_MORE_DATA)
            continue;  // no class key has so long a name
        if (found != ERROR_SUCCESS) {
            if (found != ERROR_NO_MORE_ITEMS)
                result = found;
            break;
        }
        const int length = lstrlenA(path);
        lstrcatA(path, kTypelibSubkey);
        // Below the view's own "CLSID" the keys are that view's: no flag.
        result = ReadTextInView(classes, path, 0, library, sizeof library);
        path[length] = '\0';
        if (result == ERROR_SUCCESS && IsIdentifier(library))
            result = sink(path, flag, library, context);
    }
    RegCloseKey(classes);
    return result;
}

// The first class key, other than the one being removed, that names the
// library.
struct Search {
    const char* library;
    const char* clsid;
    REGSAM working;
    char* user;
    REGSAM* userView;
};

constexpr ResultCode kFoundUser = -1;  // no registry call answers so

ResultCode StopAtOtherUser(const char* clsid, REGSAM view, const char* library, void* context)
{
    Search* search = static_cast<Search*>(context);
    if (lstrcmpiA(library, search->library) != 0)
        return ERROR_SUCCESS;
    if (view == search->working && lstrcmpiA(clsid, search->clsid) == 0)
        return ERROR_SUCCESS;  // the class itself
    lstrcpyA(search->user, clsid);
    *search->userView = view;
    return kFoundUser;
}

ResultCode FindOtherLibraryUser(const char* library, const char* clsid, REGSAM workingView, char* user,
                                REGSAM* userView, void*)
{
    user[0] = '\0';
    Search search = {library, clsid, workingView, user, userView};
    const ResultCode result = FindLibraryUsers(StopAtOtherUser, &search);
    return result == kFoundUser ? ERROR_SUCCESS : result;
}

}  // namespace

ResultCode FindLibraryUsers(LibraryUserSink sink, void* context)
{
    const Views views = FindViews();
    ResultCode result = PassOverView(views.working, sink, context);
    if (result == ERROR_SUCCESS && views.other != 0)
        result = PassOverView(views.other, sink, context);
    return result;
}

// Empties the library's room when another class key names the library too,
// showing the watch who.
ResultCode KeepLibraryOfOthers(const Views& views, const char* clsid, char* typeLibTree, const RemovalWatch& watch)
{
    if (typeLibTree[0] == '\0')
        return ERROR_SUCCESS;
    // A library already gone needs no one's leave.
    HKEY library;
    const ResultCode opened = OpenKey(HKEY_CLASSES_ROOT, typeLibTree, 0, KEY_READ, &library);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : opened;
    RegCloseKey(library);
    char user[kClassNameRoom];
    REGSAM userView = 0;
    const LibraryUsersQuery ask = watch.users != nullptr ? watch.users : FindOtherLibraryUser;
    const ResultCode result =
        ask(typeLibTree + sizeof "TYPELIB\\" - 1, clsid, views.working, user, &userView, watch.context);
    if (result != ERROR_SUCCESS || user[0] == '\0')
        return result;
    if (watch.kept != nullptr)
        watch.kept(typeLibTree, user, userView, watch.context);
    typeLibTree[0] = '\0';
    return ERROR_SUCCESS;
}

// Empties the ProgID's room when the class's key in the other view names
// the same ProgID, showing the watch.
ResultCode KeepProgIdOfOtherView(const Views& views, const char* clsid, char* progIdTree, const RemovalWatch& watch)
{
    if (views.other == 0 || progIdTree[0] == '\0')
        return ERROR_SUCCESS;
    char path[kClsidPathRoom + sizeof "\\ProgID" - 1];
    lstrcpyA(path, "CLSID\\");
    lstrcatA(path, clsid);
    lstrcatA(path, "\\ProgID");
    char named[kLineRoom];
    const ResultCode result = ReadTextInView(HKEY_CLASSES_ROOT, path, views.other, named, sizeof named);
    if (result != ERROR_SUCCESS || lstrcmpiA(named, progIdTree) != 0)
        return result;
    if (watch.kept != nullptr)
        watch.kept(progIdTree, clsid, views.other, watch.context);
    progIdTree[0] = '\0';
    return ERROR_SUCCESS;
}
