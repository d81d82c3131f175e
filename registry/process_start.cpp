#include "process_start.h"

#include <windows.h>

void PrepareProcess()
{
    typedef BOOL(WINAPI * DefaultDirectoriesCall)(DWORD flags);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const DefaultDirectoriesCall narrow = reinterpret_cast<DefaultDirectoriesCall>(
        reinterpret_cast<void (*)()>(kernel == nullptr ? nullptr : GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (narrow != nullptr)
        narrow(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}
