// The platform's answer to whether this process runs under WOW64, and the
// way a program finds that call where it may be missing.
#include <cstring>

#include "store.h"

namespace {

const HMODULE kKernel = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000));
const HMODULE kAdvapi = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x20000));
const HMODULE kNtdll = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x30000));

}  // namespace

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
}

BOOL IsWow64Process(HANDLE, PBOOL wow64)
{
    *wow64 = keystore::internal::TwoViews() ? TRUE : FALSE;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (name != nullptr && lstrcmpiA(name, "kernel32.dll") == 0)
        return kKernel;
    if (name != nullptr && lstrcmpiA(name, "ntdll.dll") == 0)
        return kNtdll;
    return name != nullptr && lstrcmpiA(name, "advapi32.dll") == 0 ? kAdvapi : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    if (module == kKernel && std::strcmp(name, "IsWow64Process") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&IsWow64Process));
    if (module == kAdvapi && std::strcmp(name, "RegDeleteKeyExA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegDeleteKeyExA));
    if (module == kNtdll && std::strcmp(name, "NtDeleteKey") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NtDeleteKey));
    if (module == kNtdll && std::strcmp(name, "RtlNtStatusToDosError") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RtlNtStatusToDosError));
    return nullptr;
}
