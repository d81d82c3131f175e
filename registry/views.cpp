#include "views.h"

namespace {

REGSAM g_flag = 0;
DeleteKeyInView g_deleteKey = nullptr;

#ifndef _WIN64
// Looked up rather than imported: Windows before XP SP2 lacks the call,
// and keeps one view.
bool RunsUnderWow64()
{
    typedef BOOL(WINAPI * IsWow64ProcessCall)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC found = kernel == nullptr ? nullptr : GetProcAddress(kernel, "IsWow64Process");
    if (found == nullptr)
        return false;
    const IsWow64ProcessCall isWow64 = reinterpret_cast<IsWow64ProcessCall>(reinterpret_cast<void (*)()>(found));
    BOOL wow64 = FALSE;
    return isWow64(GetCurrentProcess(), &wow64) && wow64;
}
#endif

// The program's own view and the other one, where there are two.
bool FindOwnAndOther(REGSAM* own, REGSAM* other)
{
#ifdef _WIN64
    *own = KEY_WOW64_64KEY;
    *other = KEY_WOW64_32KEY;
    return true;
#else
    *own = KEY_WOW64_32KEY;
    *other = KEY_WOW64_64KEY;
    return RunsUnderWow64();
#endif
}

// The keys at the top of the class store that each view keeps a copy of.
// Everything else there is one key for both views, reached by the plain
// calls: Wine, unlike Windows, shows a 64-bit program none of the shared
// keys through the 32-bit view's flag, but the links "TypeLib" and "AppID".
bool IsRedirected(HKEY parent, LPCSTR path)
{
    static const char* const kRedirected[] = {"CLSID", "Interface", "DirectShow", "Media Type", "MediaFoundation"};
    if (parent != HKEY_CLASSES_ROOT)
        return false;  // below a key already opened in its view, which is that key's own
    char top[sizeof "MediaFoundation"];
    int length = 0;
    while (path[length] != '\0' && path[length] != '\\' && length < static_cast<int>(sizeof top) - 1) {
        top[length] = path[length];
        ++length;
    }
    top[length] = '\0';
    if (path[length] != '\0' && path[length] != '\\')
        return false;  // longer than any of them
    for (const char* name : kRedirected) {
        if (lstrcmpiA(top, name) == 0)
            return true;
    }
    return false;
}

}  // namespace

Views FindViews()
{
    Views views = {0, 0};
    REGSAM own;
    REGSAM other;
    if (!FindOwnAndOther(&own, &other))
        return views;
    const bool inOther = g_flag == other;
    views.working = inOther ? other : own;
    views.other = inOther ? own : other;
    return views;
}

void UseView(REGSAM flag, DeleteKeyInView deleteKey)
{
    // A view named without a way to delete in it would be read in one view
    // and deleted in the other.
    g_flag = deleteKey != nullptr ? flag : 0;
    g_deleteKey = deleteKey;
}

LONG OpenKey(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key)
{
    const REGSAM flag = IsRedirected(parent, subkey) ? g_flag : 0;
    return RegOpenKeyExA(parent, subkey, options, access | flag, key);
}

LONG DeleteKey(LPCSTR path)
{
    if (g_flag == 0 || !IsRedirected(HKEY_CLASSES_ROOT, path))
        return RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
    return g_deleteKey(HKEY_CLASSES_ROOT, path, g_flag, 0);
}
