// Whether a control's server file is still there, looked for as the loader
// would: without allocating, in rooms of fixed size.
#include "server_file.h"

#include "controls.h"
#include "exact_text.h"
#include "key_text.h"

namespace {

ServerCheck Checked(ServerState state)
{
    return {state, UncheckedWhy::kNone, 0};
}

ServerCheck Unchecked(UncheckedWhy why, DWORD error = 0)
{
    return {ServerState::kUnchecked, why, error};
}

typedef int(WINAPI* OrdinalCompare)(LPCWSTR a, int aLength, LPCWSTR b, int bLength, BOOL ignoreCase);

// The file system compares names ordinally, case aside by its own table of
// capitals, never by the user's locale (in a Turkish one "WINDOWS" and
// "Windows" differ): CompareStringOrdinal, looked up since Windows before
// Vista lacks it; there, capitals of ASCII alone.
bool SameFileNames(const char* a, int aLength, const char* b, int bLength)
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const OrdinalCompare compare = reinterpret_cast<OrdinalCompare>(
        reinterpret_cast<void (*)()>(kernel == nullptr ? nullptr : GetProcAddress(kernel, "CompareStringOrdinal")));
    WCHAR wideA[MAX_PATH + 16];
    WCHAR wideB[MAX_PATH + 16];
    const int lengthA = aLength == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, a, aLength, wideA, MAX_PATH + 16);
    const int lengthB = bLength == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, b, bLength, wideB, MAX_PATH + 16);
    if (compare != nullptr && (lengthA > 0 || aLength == 0) && (lengthB > 0 || bLength == 0))
        return compare(wideA, lengthA, wideB, lengthB, TRUE) == CSTR_EQUAL;
    if (aLength != bLength)
        return false;
    for (int i = 0; i < aLength; ++i) {
        const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// Whether text begins with the folder (case aside) followed by a "\" or its
// end; rest is what follows the folder.
bool InFolder(const char* text, const char* folder, const char** rest)
{
    const int length = lstrlenA(folder);
    if (length == 0 || lstrlenA(text) < length || !SameFileNames(text, length, folder, length))
        return false;
    if (text[length] != '\0' && text[length] != '\\')
        return false;
    *rest = text + length;
    return true;
}

// The three texts one after another into a room of roomSize bytes; false,
// the room untouched, where they do not fit.
bool Join(const char* a, const char* b, const char* c, char* room, int roomSize)
{
    if (lstrlenA(a) + lstrlenA(b) + lstrlenA(c) >= roomSize)
        return false;
    lstrcpyA(room, a);
    lstrcatA(room, b);
    lstrcatA(room, c);
    return true;
}

// The folders of "System32" that Windows leaves to 64-bit programs' files
// alone, redirecting nothing below them for a 32-bit one.
bool IsExempt(const char* rest)
{
    static const char* const kExempt[] = {"\\catroot", "\\catroot2", "\\driverstore", "\\drivers\\etc",
                                          "\\logfiles", "\\spool"};
    const char* below = nullptr;
    for (const char* each : kExempt) {
        if (InFolder(rest, each, &below))
            return true;
    }
    return false;
}

// The path as a 32-bit program's loader reaches it on 64-bit Windows, for a
// 64-bit program to look at, into a room of seenSize bytes: the file system
// redirector sends "%windir%\System32" to "%windir%\SysWOW64" (but for a
// few folders), and "%windir%\Sysnative" to the real "System32".
void As32BitLoaderSees(const char* path, char* seen, int seenSize)
{
    lstrcpynA(seen, path, seenSize);
    char windows[MAX_PATH];
    char folder[MAX_PATH + 16];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const char* rest = nullptr;
    if (Join(windows, "\\System32", "", folder, sizeof folder) && InFolder(path, folder, &rest) && !IsExempt(rest)) {
        Join(windows, "\\SysWOW64", rest, seen, seenSize);
        return;
    }
    if (Join(windows, "\\Sysnative", "", folder, sizeof folder) && InFolder(path, folder, &rest))
        Join(windows, "\\System32", rest, seen, seenSize);
}

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "X:\...": a path from a drive's root.
bool NamesDrive(const char* path)
{
    return IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

// Whether looking in the folder could wait on the network: a "\\" path, or
// a drive that is a network share.
bool IsOnNetwork(const char* folder, DriveTypes* drives)
{
    if (folder[0] == '\\' && folder[1] == '\\')
        return true;
    if (!NamesDrive(folder))
        return false;
    const int drive = (folder[0] | 0x20) - 'a';
    if (!(drives->asked & (1u << drive))) {
        const char root[] = {static_cast<char>('A' + drive), ':', '\\', '\0'};
        drives->type[drive] = GetDriveTypeA(root);
        drives->asked |= 1u << drive;
    }
    return drives->type[drive] == DRIVE_REMOTE;
}

// The length of a folder's path without a "\" at its end, read by characters.
int FolderLength(const char* folder)
{
    const char* last = folder;
    for (const char* at = folder; *at != '\0'; at = NextChar(at))
        last = at;
    const int length = lstrlenA(folder);
    return length > 1 && *last == '\\' ? length - 1 : length;
}

bool SameFolder(const char* a, const char* b)
{
    return SameFileNames(a, FolderLength(a), b, FolderLength(b));
}

// The file the loader opens for a name, into a room of MAX_PATH bytes:
// ".dll" added where its last name has no extension, a "." at its end
// meaning none and dropped. False where it does not fit.
bool AsLoaderNames(const char* path, char* file)
{
    const char* lastName = path;
    const char* lastDot = nullptr;
    const char* last = path;
    for (const char* at = path; *at != '\0'; at = NextChar(at)) {
        last = at;
        if (*at == '\\')
            lastName = at + 1;
        else if (*at == '.')
            lastDot = at;
    }
    const int length = lstrlenA(path);
    if (*path != '\0' && *last == '.') {
        if (length - 1 >= MAX_PATH)
            return false;
        lstrcpynA(file, path, length);  // without the "."
        return true;
    }
    const char* extension = lastDot != nullptr && lastDot >= lastName ? "" : ".dll";
    return Join(path, extension, "", file, MAX_PATH);
}

// Whether the named file is there and no folder.
bool IsFile(const char* file)
{
    const DWORD attributes = GetFileAttributesA(file);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the folder holds the named file as the loader names it, where
// into a room of MAX_PATH bytes. Looked at directly: under Wine SearchPathA
// costs ten times as much.
bool FoundIn(const char* folder, const char* name, char* found)
{
    char joined[MAX_PATH];
    const char* separator = FolderLength(folder) < lstrlenA(folder) ? "" : "\\";
    if (Join(folder, separator, name, joined, MAX_PATH) && AsLoaderNames(joined, found) && IsFile(found))
        return true;
    found[0] = '\0';
    return false;
}

// The value of PATH in an environment block, or null.
const char* PathIn(const char* block)
{
    for (const char* entry = block; *entry != '\0'; entry += lstrlenA(entry) + 1) {
        if (lstrlenA(entry) >= 5 &&
            CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry, 5, "PATH=", 5) == CSTR_EQUAL)
            return entry + 5;
    }
    return nullptr;
}

// A name without a folder, looked up in PATH's folders as the loader of that
// bitness would reach them: only those from a drive's root, a relative one
// being relative to whichever folder the loader is in (which may be on the
// network); skipping those on the network and those already searched.
bool FoundInPath(const char* name, int loader, const char* const* searched, int searchedCount, char* found,
                 DriveTypes* drives)
{
    LPCH block = GetEnvironmentStringsA();
    if (block == nullptr)
        return false;
    bool present = false;
    // A folder as long as a whole path holds no file the loader can load.
    char folder[MAX_PATH];
    char seen[MAX_PATH];
    for (const char* at = PathIn(block); at != nullptr && *at != '\0' && !present;) {
        // ";" (0x3B) is never the second byte of a double-byte character.
        int length = 0;
        while (at[length] != '\0' && at[length] != ';')
            ++length;
        if (length > 0 && length < MAX_PATH) {
            lstrcpynA(folder, at, length + 1);
            if (loader == 32)
                As32BitLoaderSees(folder, seen, MAX_PATH);
            else
                lstrcpyA(seen, folder);
            bool again = false;
            for (int i = 0; i < searchedCount; ++i)
                again = again || SameFolder(seen, searched[i]);
            if (!again && NamesDrive(seen) && !IsOnNetwork(seen, drives))
                present = FoundIn(seen, name, found);
        }
        at += length;
        if (*at == ';')
            ++at;
    }
    FreeEnvironmentStringsA(block);
    return present;
}

// The loader's order for a DLL named without a folder: the folder of the
// program that loads it, which cannot be known, then the system folder,
// the 16-bit system folder, the Windows folder, the current folder of that
// program, which cannot be known either, and PATH's folders. A 32-bit
// loader's system folder is "SysWOW64". Found nowhere here, it may still
// lie beside that program: never missing.
ServerCheck LookUp(const char* name, int loader, char* found, DriveTypes* drives)
{
    char system[MAX_PATH];
    char windows[MAX_PATH];
    char system16[MAX_PATH];
    UINT length = loader == 32 ? GetSystemWow64DirectoryA(system, MAX_PATH) : GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return Unchecked(UncheckedWhy::kNoSystemFolder);
    length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !Join(windows, "\\System", "", system16, MAX_PATH))
        return Unchecked(UncheckedWhy::kNoSystemFolder);
    const char* const searched[] = {system, system16, windows};
    for (const char* folder : searched) {
        if (FoundIn(folder, name, found))
            return Checked(ServerState::kPresent);
    }
    if (FoundInPath(name, loader, searched, 3, found, drives))
        return Checked(ServerState::kPresent);
    return Unchecked(UncheckedWhy::kBesideLoader);
}

// A path with a drive, looked at as the loader would reach it.
ServerCheck LookAt(const char* path, int loader, DriveTypes* drives)
{
    char named[MAX_PATH];
    if (!AsLoaderNames(path, named))
        return Unchecked(UncheckedWhy::kLookRefused, ERROR_FILENAME_EXCED_RANGE);
    char seen[MAX_PATH];
    if (loader == 32)
        As32BitLoaderSees(named, seen, MAX_PATH);
    else
        lstrcpyA(seen, named);
    if (IsOnNetwork(seen, drives))
        return Unchecked(UncheckedWhy::kNetworkPath);
    const DWORD attributes = GetFileAttributesA(seen);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return Checked(attributes & FILE_ATTRIBUTE_DIRECTORY ? ServerState::kMissing : ServerState::kPresent);
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return Checked(ServerState::kMissing);
    return Unchecked(UncheckedWhy::kLookRefused, error);
}

// The path a registration names, into a room of kLineRoom bytes: the text
// in double quotes where it starts with one (arguments after them are no
// part of it), each "/" a "\" as the file system reads it.
void TakePath(const char* server, char* path)
{
    const char* start = server;
    int length = lstrlenA(server);
    if (*server == '"') {
        start = server + 1;
        length = 0;
        while (start[length] != '\0' && start[length] != '"')
            length = static_cast<int>(NextChar(start + length) - start);
    }
    lstrcpynA(path, start, length + 1 < kLineRoom ? length + 1 : kLineRoom);
    // "/" (0x2F) is never the second byte of a double-byte character.
    for (char* at = path; *at != '\0'; at = const_cast<char*>(NextChar(at))) {
        if (*at == '/')
            *at = '\\';
    }
}

// Whether path begins with prefix, case aside (ASCII alone: the prefixes
// are).
bool BeginsWith(const char* path, const char* prefix)
{
    const int length = lstrlenA(prefix);
    return lstrlenA(path) >= length && SameFileNames(path, length, prefix, length);
}

ServerCheck CheckAsLoader(const char* server, int loader, char* found, DriveTypes* drives)
{
    char room[kLineRoom];
    TakePath(server, room);
    const char* path = room;
    if (path[0] == '\0')
        return Unchecked(UncheckedWhy::kNoPath);
    if (HoldsChar(path, '%'))
        return Unchecked(UncheckedWhy::kEnvironmentVariable);
    // "\\?\" and "\\.\" before a drive name a local path; "\\?\UNC\" is the
    // network's, like any other "\\" path.
    if (BeginsWith(path, "\\\\?\\UNC\\"))
        return Unchecked(UncheckedWhy::kNetworkPath);
    if ((BeginsWith(path, "\\\\?\\") || BeginsWith(path, "\\\\.\\")) && NamesDrive(path + 4))
        path += 4;
    else if (BeginsWith(path, "\\\\?\\") || BeginsWith(path, "\\\\.\\"))
        return Unchecked(UncheckedWhy::kRelativePath);
    if (path[0] == '\\' && path[1] == '\\')
        return Unchecked(UncheckedWhy::kNetworkPath);
    if (!HoldsChar(path, '\\') && !HoldsChar(path, ':'))
        return LookUp(path, loader, found, drives);
    if (!NamesDrive(path))
        return Unchecked(UncheckedWhy::kRelativePath);
    return LookAt(path, loader, drives);
}

// What the view's loader is, against this program: 0 the same, 32 a 32-bit
// one seen from a 64-bit program, 64 a 64-bit one from a 32-bit program.
int OtherLoader(REGSAM view)
{
    const bool own64 = sizeof(void*) == 8;
    if (view == KEY_WOW64_32KEY && own64)
        return 32;
    if (view == KEY_WOW64_64KEY && !own64)
        return 64;
    return 0;
}

typedef BOOL(WINAPI* RedirectionCall)(PVOID*);

// Looked up rather than imported: Windows without a 64-bit view lacks them.
RedirectionCall FindRedirectionCall(const char* name)
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC call = kernel == nullptr ? nullptr : GetProcAddress(kernel, name);
    return reinterpret_cast<RedirectionCall>(reinterpret_cast<void (*)()>(call));
}

}  // namespace

ServerCheck CheckServerFile(const char* server, REGSAM view, char* found, DriveTypes* drives)
{
    char foundRoom[MAX_PATH];
    char* where = found != nullptr ? found : foundRoom;
    where[0] = '\0';
    const int loader = OtherLoader(view);
    if (loader != 64)
        return CheckAsLoader(server, loader, where, drives);
    // A 64-bit loader, from this 32-bit program: the redirector turned off
    // around the look, so that "System32" is the real one.
    const RedirectionCall disable = FindRedirectionCall("Wow64DisableWow64FsRedirection");
    const RedirectionCall revert = FindRedirectionCall("Wow64RevertWow64FsRedirection");
    PVOID old = nullptr;
    if (disable == nullptr || revert == nullptr || !disable(&old))
        return Unchecked(UncheckedWhy::kOtherFileSystemHidden);
    const ServerCheck check = CheckAsLoader(server, loader, where, drives);
    revert(&old);
    return check;
}
