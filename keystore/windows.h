// The stand-in key store's <windows.h>: exactly the part of the Windows API
// the registry logic may use, its types, constants and error codes, the
// registry operations, the 8-bit string routines and the question whether a
// process runs under WOW64, with the platform's signatures and semantics;
// and the two calls that make keys and values, which only tests use, to
// hold the stand-in to what Windows does. Anything else of the platform
// does not compile against it.
#pragma once

#include <stdint.h>

typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef DWORD REGSAM;
typedef unsigned char BYTE;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef unsigned int UINT;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef int BOOL;
typedef BOOL* PBOOL;
typedef BOOL* LPBOOL;
typedef void* HANDLE;
typedef struct HINSTANCE__* HMODULE;
typedef intptr_t (*FARPROC)();
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define WINAPI
#define TRUE 1
#define FALSE 0

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

enum : DWORD {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
};

enum : DWORD {
    REG_OPTION_CREATE_LINK = 0x0002,
    REG_OPTION_OPEN_LINK = 0x0008,
};

enum : DWORD {
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_NOTIFY = 0x0010,
    KEY_CREATE_LINK = 0x0020,
    KEY_WOW64_64KEY = 0x0100,
    KEY_WOW64_32KEY = 0x0200,
    DELETE = 0x00010000,
    KEY_READ = 0x00020019,
    KEY_WRITE = 0x00020006,
    KEY_ALL_ACCESS = 0x000F003F,
};

enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_DATA = 13,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INVALID_NAME = 123,
    ERROR_PROC_NOT_FOUND = 127,
    ERROR_BAD_PATHNAME = 161,
    ERROR_FILENAME_EXCED_RANGE = 206,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_KEY_DELETED = 1018,
    ERROR_INVALID_FLAGS = 1004,
    ERROR_NO_UNICODE_TRANSLATION = 1113,
    ERROR_CANT_RESOLVE_FILENAME = 1921,
};

enum : UINT { CP_ACP = 0, CP_UTF8 = 65001 };
enum : DWORD { WC_ERR_INVALID_CHARS = 0x80, WC_NO_BEST_FIT_CHARS = 0x400 };

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result);
LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize);
// The wide forms give names and values as the registry keeps them; here a
// WCHAR holds one character, and sizes are counted in WCHARs as sizeof
// tells.
LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameSize);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegOpenKeyExW(HKEY parent, LPCWSTR subkey, DWORD options, REGSAM access, PHKEY result);
LONG RegDeleteKeyA(HKEY parent, LPCSTR subkey);
LONG RegDeleteKeyExA(HKEY parent, LPCSTR subkey, REGSAM view, DWORD reserved);
LONG RegCloseKey(HKEY key);
LONG RegCreateKeyExA(HKEY parent, LPCSTR subkey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

int lstrlenA(LPCSTR text);
LPSTR lstrcpyA(LPSTR to, LPCSTR from);
LPSTR lstrcatA(LPSTR to, LPCSTR from);
LPSTR lstrcpynA(LPSTR to, LPCSTR from, int room);
int lstrcmpiA(LPCSTR a, LPCSTR b);

// The ANSI code page's conversion, for CP_ACP and CP_UTF8 alone, with
// Windows' rules for UTF-8; the page's number and its lead bytes; and the
// thread's last error, which a failed conversion sets.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR out, int outSize,
                        LPCSTR defaultChar, LPBOOL usedDefault);
BOOL IsDBCSLeadByte(BYTE byte);
UINT GetACP();
DWORD GetLastError();
void SetLastError(DWORD error);

// The native calls a program finds in ntdll.dll by GetProcAddress: the
// deletion of exactly the key a handle holds (which needs DELETE access; a
// key with subkeys is refused), and the Win32 code of a native status.
LONG NtDeleteKey(HANDLE key);
ULONG RtlNtStatusToDosError(LONG status);

// Whether this process is a 32-bit program under WOW64, and how a program
// finds that call, which older Windows lacks.
HANDLE GetCurrentProcess();
BOOL IsWow64Process(HANDLE process, PBOOL wow64);
HMODULE GetModuleHandleA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
