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
    g_flag = flag;
    g_deleteKey = deleteKey;
}

LONG OpenKey(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key)
{
    return RegOpenKeyExA(parent, subkey, options, access | g_flag, key);
}

LONG DeleteKey(LPCSTR path)
{
    if (g_flag == 0 || g_deleteKey == nullptr)
        return RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
    return g_deleteKey(HKEY_CLASSES_ROOT, path, g_flag, 0);
}
