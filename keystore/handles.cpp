// The stand-in's table of open key handles: each an index into the table,
// given back to a free list when closed.
#include "handles.h"

namespace keystore::internal {

namespace {

std::vector<Handle> g_handles;
std::vector<size_t> g_freeHandles;
Handle g_classesRoot;  // HKEY_CLASSES_ROOT itself
int g_openHandles = 0;

}  // namespace

bool IsPredefined(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER;
}

Handle* FindHandle(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT) {
        g_classesRoot.key = Root();
        g_classesRoot.access = KEY_ALL_ACCESS;
        g_classesRoot.open = true;
        g_classesRoot.merged = true;
        return &g_classesRoot;
    }
    uintptr_t value = reinterpret_cast<uintptr_t>(key);
    if (value == 0 || value % 16 != 0)
        return nullptr;
    size_t index = value / 16 - 1;
    if (index >= g_handles.size() || !g_handles[index].open)
        return nullptr;
    return &g_handles[index];
}

std::string NameOfHandle(HKEY handle)
{
    if (IsPredefined(handle))
        return std::string();
    Handle* h = FindHandle(handle);
    return h == nullptr ? std::string() : std::string(h->key->name);
}

const char* SubkeyName(LPCSTR subkey)
{
    return subkey == nullptr ? "" : subkey;
}

bool IsClassesRoot(const Handle* h)
{
    return h == &g_classesRoot;
}

HKEY NewHandle(const Handle& made)
{
    size_t index;
    if (!g_freeHandles.empty()) {
        index = g_freeHandles.back();
        g_freeHandles.pop_back();
    } else {
        index = g_handles.size();
        g_handles.emplace_back();
    }
    g_handles[index] = made;
    g_handles[index].open = true;
    ++g_openHandles;
    return reinterpret_cast<HKEY>((index + 1) * 16);
}

void FreeHandle(Handle* h)
{
    h->open = false;
    h->names.clear();
    g_freeHandles.push_back(static_cast<size_t>(h - g_handles.data()));
    --g_openHandles;
}

int OpenHandles()
{
    return g_openHandles;
}

void ClearHandles()
{
    g_classesRoot = Handle();
    g_handles.clear();
    g_freeHandles.clear();
    g_openHandles = 0;
}

}  // namespace keystore::internal

int keystore::OpenHandleCount()
{
    return keystore::internal::OpenHandles();
}
