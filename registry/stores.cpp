#include "stores.h"
#include "exact_text.h"
#include "key_text.h"

namespace {

constexpr char kClassesPath[] = "Software\\Classes";

// The flag of every open where there are two views: see OpenInStoreView.
REGSAM PlainFlag(const Store& store)
{
    return store.views.other != 0 ? static_cast<REGSAM>(KEY_WOW64_64KEY) : 0;
}

// Opens path below parent name by name, each as itself, never through a
// symbolic link: RegOpenKeyExA's REG_OPTION_OPEN_LINK covers only a path's
// last name, and a link on the way would lead the removal into keys of
// another tree or of the other store. *reached is the length of the path
// up to the end of the name where it stopped.
LONG OpenEachAsItself(HKEY parent, LPCSTR path, REGSAM flag, REGSAM access, PHKEY key, int* reached)
{
    char name[kLineRoom];
    HKEY at = parent;
    const char* start = path;
    for (;;) {
        const char* end = start;
        while (*end != '\0' && *end != '\\')
            end = NextChar(end);
        *reached = static_cast<int>(end - path);
        const int length = static_cast<int>(end - start);
        // An empty name would open the key above it again.
        LONG result = length == 0 ? ERROR_BAD_PATHNAME : length >= kLineRoom ? ERROR_FILENAME_EXCED_RANGE : 0;
        const bool last = *end == '\0';
        HKEY next = nullptr;
        if (result == ERROR_SUCCESS) {
            lstrcpynA(name, start, length + 1);
            result = RegOpenKeyExA(at, name, REG_OPTION_OPEN_LINK, (last ? access : KEY_READ) | flag, &next);
        }
        if (result == ERROR_SUCCESS) {
            result = RefuseLink(next);
            if (result != ERROR_SUCCESS)
                RegCloseKey(next);
        }
        if (at != parent)
            RegCloseKey(at);
        if (result != ERROR_SUCCESS)
            return result;
        if (last) {
            *key = next;
            return ERROR_SUCCESS;
        }
        at = next;
        start = end + 1;
    }
}

// Room for the platform's path of a key at the top of a class store, wide
// and in the code page.
constexpr int kNativePathUnits = sizeof "\\Registry\\Machine\\Software\\Classes\\" + kKeyNameUnits;
constexpr int kNativePathRoom = sizeof "\\Registry\\Machine\\Software\\Classes\\" + kKeyNameRoom;

// Wine lays under the machine store's "Wow6432Node" links named "TypeLib",
// "AppID" and "Protocols" to the store's own keys of those names, so that
// both views share them. Such a link, exactly that one, is the platform's.
bool IsSharingLink(HKEY link, LPCSTR name)
{
    WCHAR target[kNativePathUnits];
    DWORD type = 0;
    DWORD size = sizeof target - sizeof(WCHAR);
    const WCHAR linkValue[] = {'S', 'y', 'm', 'b', 'o', 'l', 'i', 'c', 'L', 'i', 'n', 'k', 'V', 'a', 'l', 'u', 'e', 0};
    if (RegQueryValueExW(link, linkValue, nullptr, &type, reinterpret_cast<LPBYTE>(target), &size) != ERROR_SUCCESS ||
        type != REG_LINK)
        return false;
    target[size / sizeof(WCHAR)] = 0;
    char spelt[kNativePathRoom];
    if (SpellExactly(target, spelt, sizeof spelt) != ERROR_SUCCESS)
        return false;
    char shared[kNativePathRoom];
    lstrcpyA(shared, "\\Registry\\Machine\\Software\\Classes\\");
    if (lstrlenA(shared) + lstrlenA(name) >= kNativePathRoom)
        return false;
    lstrcatA(shared, name);
    return lstrcmpiA(spelt, shared) == 0;
}

// Where the 32-bit view's root holds path's first name: not at all, as
// the platform's link to the store's shared key of that name, or otherwise
// (a key of its own, or a link that is not the platform's, which the open
// then refuses).
enum Holding { kHoldsNothing, kHoldsSharingLink, kHoldsKey };

Holding HoldingOf(const Store& store, LPCSTR path)
{
    char top[kKeyNameRoom];
    if (!TakeFirstName(path, top, sizeof top))
        return kHoldsNothing;  // no key has so long a name
    HKEY key;
    if (RegOpenKeyExA(store.root32, top, REG_OPTION_OPEN_LINK, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return kHoldsNothing;
    const bool sharing = store.which == kMachineStore && RefuseLink(key) != ERROR_SUCCESS && IsSharingLink(key, top);
    RegCloseKey(key);
    return sharing ? kHoldsSharingLink : kHoldsKey;
}

// The root that a key of the view lies below: the 32-bit view's own copy
// of a key each view keeps a copy of lies below that view's root alone.
// Any other key is one for both views on Windows, and is read as the
// program's own view shows it, whichever view the removal works in: where
// that is the 32-bit view, from its root where that holds the key's first
// name, as Wine places the shared keys a 32-bit program makes, else from
// the store's root; and from the store's root where the 32-bit view's root
// holds the platform's link to it.
HKEY RootOf(const Store& store, REGSAM view, LPCSTR path)
{
    if (PlainFlag(store) == 0)
        return store.root;
    if (IsRedirected(path))
        return view == KEY_WOW64_32KEY ? store.root32 : store.root;
    if (OwnView() != KEY_WOW64_32KEY || store.root32 == nullptr)
        return store.root;
    return HoldingOf(store, path) == kHoldsKey ? store.root32 : store.root;
}

}  // namespace

ClassStore SingleStoreOf(StoreChoice choice)
{
    return choice == kUserStoreOnly ? kUserStore : kMachineStore;
}

bool ChoiceTakes(StoreChoice choice, ClassStore store)
{
    return choice == kShownStore || SingleStoreOf(choice) == store;
}

ResultCode OpenStore(ClassStore which, const Scope& scope, Store* store)
{
    store->which = which;
    store->scope = scope;
    store->views = FindViews(scope);
    store->root32 = nullptr;
    ResultCode result = RegOpenKeyExA(which == kUserStore ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, kClassesPath, 0,
                                      KEY_READ | PlainFlag(*store), &store->root);
    if (result != ERROR_SUCCESS || PlainFlag(*store) == 0)
        return result;
    int reached;
    result = OpenEachAsItself(store->root, "Wow6432Node", KEY_WOW64_64KEY, KEY_READ, &store->root32, &reached);
    if (result == ERROR_SUCCESS)
        return result;
    store->root32 = nullptr;
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;  // the store keeps nothing of the 32-bit view's own
    RegCloseKey(store->root);
    return result;
}

void CloseStore(const Store& store)
{
    if (store.root32 != nullptr)
        RegCloseKey(store.root32);
    RegCloseKey(store.root);
}

namespace {

// Whether the store's registration of the class, in the view worked in,
// builds exactly the confirmed line: 0, kRegistrationChanged where it
// builds another, or the code of the open that failed, with how much of
// the class's path it got through.
ResultCode BuildsLine(const Store& store, const char* clsidPath, const char* confirmed, int* reached)
{
    HKEY classes;
    ResultCode result = OpenReaching(store, store.views.working, "CLSID", KEY_READ, &classes, reached);
    if (result != ERROR_SUCCESS)
        return result;
    // The class key as itself: a link there is refused.
    HKEY classKey;
    result = OpenReaching(store, store.views.working, clsidPath, KEY_READ, &classKey, reached);
    if (result == ERROR_SUCCESS) {
        RegCloseKey(classKey);
        char line[kLineRoom];
        result = BuildEntryLine(classes, clsidPath + sizeof "CLSID\\" - 1, PlainFlag(store), KEY_READ, line);
        // No control there now, or another one.
        if (NamesNothing(result) || (result == ERROR_SUCCESS && !SameBytes(line, confirmed)))
            result = kRegistrationChanged;
    }
    RegCloseKey(classes);
    return result;
}

}  // namespace

namespace {

// Whether the merged view, in the scope's view, builds exactly the line.
bool ViewBuildsLine(const Scope& scope, const char* confirmed)
{
    char shown[kLineRoom];
    return ShownControlLine(scope, confirmed, shown) == ERROR_SUCCESS && SameBytes(shown, confirmed);
}

}  // namespace

ResultCode OpenStoreOfClass(const Scope& scope, const char* clsidPath, const char* confirmed, Store* store,
                            StoreStop* stop)
{
    const ClassStore order[] = {kUserStore, kMachineStore};
    ResultCode found = ERROR_FILE_NOT_FOUND;
    bool userHoldsClass = false;
    for (const ClassStore which : order) {
        if (!ChoiceTakes(scope.stores, which))
            continue;
        stop->which = which;
        stop->reached = 0;
        ResultCode result = OpenStore(which, scope, store);
        if (result == ERROR_SUCCESS) {
            result = BuildsLine(*store, clsidPath, confirmed, &stop->reached);
            if (result == ERROR_SUCCESS)
                return result;
            CloseStore(*store);
        }
        // A store without the class, or with another registration of it,
        // leaves the word to the other; one that cannot be read ends it.
        if (result == kRegistrationChanged)
            found = result;
        else if (result != ERROR_FILE_NOT_FOUND)
            return result;
        userHoldsClass = userHoldsClass || (which == kUserStore && result == kRegistrationChanged);
    }
    // A line the merged view builds from both stores (the user's copy of
    // the class over the machine's, each giving part of it) is taken by
    // the user's copy, which the view reads first: the machine's
    // registration then shows as its own line, as Windows shows it.
    if (found == kRegistrationChanged && userHoldsClass && scope.stores == kShownStore &&
        ViewBuildsLine(scope, confirmed)) {
        stop->which = kUserStore;
        stop->reached = 0;
        return OpenStore(kUserStore, scope, store);
    }
    return found;
}

LONG OpenInStore(const Store& store, LPCSTR path, REGSAM access, PHKEY key)
{
    return OpenInStoreView(store, store.views.working, path, access, key);
}

LONG OpenInStoreView(const Store& store, REGSAM view, LPCSTR path, REGSAM access, PHKEY key)
{
    int reached;
    return OpenReaching(store, view, path, access, key, &reached);
}

LONG OpenReaching(const Store& store, REGSAM view, LPCSTR path, REGSAM access, PHKEY key, int* reached)
{
    *reached = 0;
    const HKEY root = RootOf(store, view, path);
    if (root == nullptr)
        return ERROR_FILE_NOT_FOUND;
    return OpenEachAsItself(root, path, PlainFlag(store), access, key, reached);
}

LONG OpenParentInStore(const Store& store, char* path, int nameAt, PHKEY parent, bool* opened, int* reached)
{
    *opened = false;
    *reached = 0;
    if (nameAt == 0) {
        *parent = RootOf(store, store.views.working, path);
        return *parent == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }
    path[nameAt - 1] = '\0';
    const LONG result = OpenReaching(store, store.views.working, path, KEY_READ, parent, reached);
    path[nameAt - 1] = '\\';
    *opened = result == ERROR_SUCCESS;
    return result;
}

REGSAM ViewFlagOf(const Store& store)
{
    return PlainFlag(store);
}
