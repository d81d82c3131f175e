// Who else still uses a tree a removal would delete: the class's key in the
// other registry view of its store, and every class key of either store and
// view that names the same type library. Only ever a reason to keep a tree,
// never to delete one.
#include "controls.h"
#include "exact_text.h"
#include "key_text.h"
#include "other_users.h"

namespace {

constexpr char kTypelibSubkey[] = "\\Typelib";

// The "Typelib" value of the class key below classes whose name is given
// wide, read through any link as a reader would: for a class whose name the
// code page cannot spell, which no 8-bit call opens.
ResultCode ReadLibraryOfWideName(HKEY classes, const WCHAR* name, REGSAM flag, char* library, DWORD roomSize)
{
    const WCHAR subkey[] = {'\\', 'T', 'y', 'p', 'e', 'l', 'i', 'b', 0};
    WCHAR path[kKeyNameUnits + sizeof subkey / sizeof subkey[0]];
    int at = 0;
    for (; name[at] != 0 && at < kKeyNameUnits - 1; ++at)
        path[at] = name[at];
    for (int i = 0; subkey[i] != 0; ++i)
        path[at++] = subkey[i];
    path[at] = 0;
    HKEY key;
    ResultCode result = RegOpenKeyExW(classes, path, 0, KEY_READ | flag, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = QueryExactText(key, library, roomSize);
    RegCloseKey(key);
    return result;
}

// One store's classes of one view: for most of them, which name no library,
// one open besides the enumeration. A class whose library cannot be read
// might use any library, so that ends the pass.
ResultCode PassOverView(const Store& store, REGSAM flag, LibraryUserSink sink, void* context)
{
    HKEY classes;
    ResultCode result = OpenInStoreView(store, flag, "CLSID", KEY_READ, &classes);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    char path[kKeyNameRoom + sizeof kTypelibSubkey - 1];
    char library[kTypeLibIdRoom];
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        WCHAR wide[kKeyNameUnits];
        const LONG found = RegEnumKeyW(classes, index, wide, kKeyNameUnits);
        if (found != ERROR_SUCCESS) {
            if (found != ERROR_NO_MORE_ITEMS)
                result = found;
            break;
        }
        // Below the view's own "CLSID" the keys are that view's; the flag
        // keeps them so on every Windows. A name the code page changes
        // would open another key, or none: that class is read by its wide
        // name, and said by the 8-bit calls' spelling of it.
        const bool spelt = SpellExactly(wide, path, kKeyNameRoom) == ERROR_SUCCESS;
        const int length = spelt ? lstrlenA(path) : 0;
        if (spelt) {
            lstrcatA(path, kTypelibSubkey);
            result = ReadSubkeyText(classes, path, ViewFlagOf(store), kAsShown, library, sizeof library);
            path[length] = '\0';
        } else {
            result = ReadLibraryOfWideName(classes, wide, ViewFlagOf(store), library, sizeof library);
            // Said as the 8-bit calls spell it, best fit and all.
            if (WideCharToMultiByte(CP_ACP, 0, wide, -1, path, kKeyNameRoom, nullptr, nullptr) == 0)
                path[0] = '\0';
        }
        // No value, or no text of that room: nothing named.
        if (NamesNothing(result))
            result = ERROR_SUCCESS;
        ClassKey user = {path, flag, store.which};
        user.spelt = spelt;
        if (result == ERROR_SUCCESS && IsIdentifier(library))
            result = sink(user, library, context);
    }
    RegCloseKey(classes);
    return result;
}

// The first class key, other than the one being removed, that names the
// library.
struct Search {
    const char* library;
    const ClassKey* removed;
    char* user;
    REGSAM* userView;
    ClassStore* userStore;
};

constexpr ResultCode kFoundUser = -1;  // no registry call answers so

ResultCode StopAtOtherUser(const ClassKey& found, const char* library, void* context)
{
    Search* search = static_cast<Search*>(context);
    if (lstrcmpiA(library, search->library) != 0)
        return ERROR_SUCCESS;
    const ClassKey& removed = *search->removed;
    if (found.spelt && found.view == removed.view && found.store == removed.store &&
        lstrcmpiA(found.clsid, removed.clsid) == 0)
        return ERROR_SUCCESS;  // the class itself
    lstrcpyA(search->user, found.clsid);
    *search->userView = found.view;
    *search->userStore = found.store;
    return kFoundUser;
}

ResultCode FindOtherLibraryUser(const Scope& scope, const char* library, const ClassKey& removed, char* user,
                                REGSAM* userView, ClassStore* userStore)
{
    user[0] = '\0';
    Search search = {library, &removed, user, userView, userStore};
    const ResultCode result = FindLibraryUsers(scope, StopAtOtherUser, &search);
    return result == kFoundUser ? ERROR_SUCCESS : result;
}

}  // namespace

ResultCode FindLibraryUsers(const Scope& scope, LibraryUserSink sink, void* context)
{
    const ClassStore stores[] = {kMachineStore, kUserStore};
    ResultCode result = ERROR_SUCCESS;
    for (int i = 0; i < 2 && result == ERROR_SUCCESS; ++i) {
        Store store;
        result = OpenStore(stores[i], scope, &store);
        if (result != ERROR_SUCCESS) {
            // A store that is not there holds no class.
            result = result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
            continue;
        }
        result = PassOverView(store, store.views.working, sink, context);
        if (result == ERROR_SUCCESS && store.views.other != 0)
            result = PassOverView(store, store.views.other, sink, context);
        CloseStore(store);
    }
    return result;
}

// Empties the library's room when another class key names the library too,
// showing the watch who.
ResultCode KeepLibraryOfOthers(const Store& store, const char* clsid, char* typeLibTree, const RemovalWatch& watch)
{
    if (typeLibTree[0] == '\0')
        return ERROR_SUCCESS;
    // A library already gone needs no one's leave.
    HKEY library;
    // A link on the way is left to the walk, which refuses it and says where.
    const ResultCode opened = OpenInStore(store, typeLibTree, KEY_READ, &library);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND || opened == ERROR_CANT_RESOLVE_FILENAME ? ERROR_SUCCESS : opened;
    RegCloseKey(library);
    char user[kKeyNameRoom];
    REGSAM userView = 0;
    ClassStore userStore = store.which;
    const ClassKey removed = {clsid, store.views.working, store.which};
    const char* const identifier = typeLibTree + sizeof "TYPELIB\\" - 1;
    const ResultCode result =
        watch.users != nullptr ? watch.users(identifier, removed, user, &userView, &userStore, watch.context)
                               : FindOtherLibraryUser(store.scope, identifier, removed, user, &userView, &userStore);
    if (result != ERROR_SUCCESS || user[0] == '\0')
        return result;
    const ClassKey keeper = {user, userView, userStore};
    if (watch.kept != nullptr)
        watch.kept(typeLibTree, keeper, watch.context);
    typeLibTree[0] = '\0';
    return ERROR_SUCCESS;
}

namespace {

// Whether the class's key in that store and view names the ProgID.
ResultCode NamesProgId(const Store& store, REGSAM view, const char* clsid, const char* progIdTree, bool* names)
{
    *names = false;
    char path[kClsidPathRoom];
    lstrcpyA(path, "CLSID\\");
    lstrcatA(path, clsid);
    HKEY classKey;
    ResultCode result = OpenInStoreView(store, view, path, KEY_READ, &classKey);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    result = SubkeyNames(classKey, "ProgID", ViewFlagOf(store), kAsItself, progIdTree, names);
    RegCloseKey(classKey);
    return result;
}

}  // namespace

// Empties the ProgID's room when another registration of the class, in
// either store and view, names the same ProgID, showing the watch. Only
// the class's own keys can: the tree is the class's own only where its
// "CLSID" names the class back, so for any other class it names no working
// ProgID.
ResultCode KeepProgIdOfOtherRegistrations(const Store& store, const char* clsid, char* progIdTree,
                                          const RemovalWatch& watch)
{
    if (progIdTree[0] == '\0')
        return ERROR_SUCCESS;
    const ClassStore stores[] = {kMachineStore, kUserStore};
    ResultCode result = ERROR_SUCCESS;
    for (int i = 0; i < 2 && result == ERROR_SUCCESS && progIdTree[0] != '\0'; ++i) {
        Store other;
        const bool same = stores[i] == store.which;
        if (!same) {
            result = OpenStore(stores[i], store.scope, &other);
            if (result != ERROR_SUCCESS) {
                // A store that is not there holds no class.
                result = result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
                continue;
            }
        }
        const Store& looked = same ? store : other;
        const REGSAM views[] = {store.views.working, store.views.other};
        for (int v = 0; v < 2 && result == ERROR_SUCCESS && progIdTree[0] != '\0'; ++v) {
            if ((same && v == 0) || (v == 1 && store.views.other == 0))
                continue;  // the class itself, or a view the machine lacks
            bool names = false;
            result = NamesProgId(looked, views[v], clsid, progIdTree, &names);
            if (result != ERROR_SUCCESS || !names)
                continue;
            const ClassKey keeper = {clsid, views[v], stores[i]};
            if (watch.kept != nullptr)
                watch.kept(progIdTree, keeper, watch.context);
            progIdTree[0] = '\0';
        }
        if (!same)
            CloseStore(other);
    }
    return result;
}
