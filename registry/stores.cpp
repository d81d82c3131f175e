#include "stores.h"

namespace {

StoreChoice g_choice = kShownStore;

constexpr char kClassesPath[] = "Software\\Classes";

// The flag of every open where there are two views: see OpenInStoreView.
REGSAM PlainFlag(const Store& store)
{
    return store.views.other != 0 ? static_cast<REGSAM>(KEY_WOW64_64KEY) : 0;
}

// True when the root holds a key named as path's first name.
bool HoldsTopOf(HKEY root, LPCSTR path)
{
    char top[kLineRoom];
    int length = 0;
    while (path[length] != '\0' && path[length] != '\\' && length < kLineRoom - 1) {
        top[length] = path[length];
        ++length;
    }
    top[length] = '\0';
    HKEY key;
    if (RegOpenKeyExA(root, top, REG_OPTION_OPEN_LINK, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The root that a key of the view lies below: the 32-bit view's own copy
// of a key each view keeps a copy of lies below that view's root alone.
// Any other key is one for both views on Windows, and is read as the
// program's own view shows it, whichever view the removal works in: where
// that is the 32-bit view, from its root where that holds the key's first
// name, as Wine places the shared keys a 32-bit program makes, else from
// the store's root.
HKEY RootOf(const Store& store, REGSAM view, LPCSTR path)
{
    if (PlainFlag(store) == 0)
        return store.root;
    if (IsRedirected(path))
        return view == KEY_WOW64_32KEY ? store.root32 : store.root;
    if (OwnView() != KEY_WOW64_32KEY || store.root32 == nullptr)
        return store.root;
    return HoldsTopOf(store.root32, path) ? store.root32 : store.root;
}

}  // namespace

void UseStore(StoreChoice choice)
{
    g_choice = choice;
}

StoreChoice ChosenStore()
{
    return g_choice;
}

ResultCode OpenStore(ClassStore which, Store* store)
{
    store->which = which;
    store->views = FindViews();
    store->root32 = nullptr;
    ResultCode result = RegOpenKeyExA(which == kUserStore ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, kClassesPath, 0,
                                      KEY_READ | PlainFlag(*store), &store->root);
    if (result != ERROR_SUCCESS || PlainFlag(*store) == 0)
        return result;
    result = RegOpenKeyExA(store->root, "Wow6432Node", 0, KEY_READ | KEY_WOW64_64KEY, &store->root32);
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

ResultCode OpenStoreOfClass(const char* clsidPath, Store* store)
{
    if (g_choice != kMachineStoreOnly) {
        ResultCode result = OpenStore(kUserStore, store);
        if (result == ERROR_SUCCESS) {
            // The class key as itself: a link there is the user's, and is
            // refused when the removal walks it.
            HKEY classKey;
            result = OpenInStore(*store, clsidPath, REG_OPTION_OPEN_LINK, KEY_READ, &classKey);
            if (result == ERROR_SUCCESS) {
                RegCloseKey(classKey);
                return ERROR_SUCCESS;
            }
            CloseStore(*store);
        }
        if (result != ERROR_FILE_NOT_FOUND || g_choice == kUserStoreOnly)
            return result;
    }
    return OpenStore(kMachineStore, store);
}

LONG OpenInStore(const Store& store, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    return OpenInStoreView(store, store.views.working, path, options, access, key);
}

LONG OpenInStoreView(const Store& store, REGSAM view, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    const HKEY root = RootOf(store, view, path);
    if (root == nullptr)
        return ERROR_FILE_NOT_FOUND;
    return RegOpenKeyExA(root, path, options, access | PlainFlag(store), key);
}

LONG DeleteInStore(const Store& store, LPCSTR path)
{
    const HKEY root = RootOf(store, store.views.working, path);
    if (root == nullptr)
        return ERROR_FILE_NOT_FOUND;
    return DeleteInView(root, path, PlainFlag(store));
}
