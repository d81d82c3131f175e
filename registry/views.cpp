#include "views.h"

#include "key_text.h"

namespace {

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

// Whether there is another view than the program's own.
bool HasOtherView()
{
#ifdef _WIN64
    return true;
#else
    return RunsUnderWow64();
#endif
}

}  // namespace

// The keys at the top of the class store that each view keeps a copy of.
// Everything else there is one key for both views: Wine, unlike Windows,
// shows a 64-bit program none of the shared keys through the 32-bit view's
// flag, but the links "TypeLib" and "AppID".
bool IsRedirected(LPCSTR path)
{
    static const char* const kRedirected[] = {"CLSID", "Interface", "DirectShow", "Media Type", "MediaFoundation"};
    char top[sizeof "MediaFoundation"];
    if (!TakeFirstName(path, top, sizeof top))
        return false;  // longer than any of them
    for (const char* name : kRedirected) {
        if (lstrcmpiA(top, name) == 0)
            return true;
    }
    return false;
}

REGSAM OwnView()
{
#ifdef _WIN64
    return KEY_WOW64_64KEY;
#else
    return KEY_WOW64_32KEY;
#endif
}

Views FindViews(const Scope& scope)
{
    Views views = {0, 0};
    if (!HasOtherView())
        return views;
    const REGSAM own = OwnView();
    const REGSAM other = own == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const bool inOther = scope.view == other;
    views.working = inOther ? other : own;
    views.other = inOther ? own : other;
    return views;
}

LONG OpenKey(REGSAM flag, HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key)
{
    // Below a key already opened in its view, the keys are that view's own.
    const REGSAM view = parent == HKEY_CLASSES_ROOT && IsRedirected(subkey) ? flag : 0;
    return RegOpenKeyExA(parent, subkey, options, access | view, key);
}
