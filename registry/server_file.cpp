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

// Whether text begins with the folder (case aside) followed by a "\" or its
// end; rest is what follows the folder.
bool InFolder(const char* text, const char* folder, const char** rest)
{
    const int length = lstrlenA(folder);
    if (length == 0 || lstrlenA(text) < length ||
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, length, folder, length) != CSTR_EQUAL)
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

// Whether looking in the folder could wait on the network: a "\\" path, or
// a drive that is a network share.
bool IsOnNetwork(const char* folder, DriveTypes* drives)
{
    if (folder[0] == '\\' && folder[1] == '\\')
        return true;
    const char letter = folder[0];
    if (folder[1] != ':' || !((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return false;
    const int drive = (letter | 0x20) - 'a';
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
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, FolderLength(a), b, FolderLength(b)) ==
           CSTR_EQUAL;
}

// Whether the folder holds the named file (".dll" added to a name without
// an extension, as the loader adds it), where into a room of MAX_PATH
// bytes. A folder of that name is no file. Looked at directly: under Wine
// SearchPathA costs ten times as much.
bool FoundIn(const char* folder, const char* name, char* found)
{
    const char* extension = HoldsChar(name, '.') ? "" : ".dll";
    const int length = lstrlenA(folder);
    const char* separator = FolderLength(folder) < length ? "" : "\\";
    if (length + lstrlenA(separator) + lstrlenA(name) + lstrlenA(extension) >= MAX_PATH)
        return false;
    lstrcpyA(found, folder);
    lstrcatA(found, separator);
    lstrcatA(found, name);
    lstrcatA(found, extension);
    const DWORD attributes = GetFileAttributesA(found);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
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
// bitness would reach them, skipping those on the network and the two
// already searched (PATH names both, as a rule).
ServerState LookUpInPath(const char* name, int loader, const char* system, const char* windows, char* found,
                         DriveTypes* drives, bool* skippedNetwork)
{
    LPCH block = GetEnvironmentStringsA();
    if (block == nullptr)
        return ServerState::kMissing;
    ServerState state = ServerState::kMissing;
    // A folder as long as a whole path holds no file the loader can load.
    char folder[MAX_PATH];
    char seen[MAX_PATH];
    for (const char* at = PathIn(block); at != nullptr && *at != '\0';) {
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
            if (SameFolder(seen, system) || SameFolder(seen, windows)) {
                // searched already
            } else if (IsOnNetwork(seen, drives)) {
                *skippedNetwork = true;
            } else if (FoundIn(seen, name, found)) {
                state = ServerState::kPresent;
                break;
            }
        }
        at += length;
        if (*at == ';')
            ++at;
    }
    FreeEnvironmentStringsA(block);
    return state;
}

// The loader's order for a DLL named without a folder, less the folder of
// whichever program loads it, which cannot be known, and the current one.
// A 32-bit loader's system folder is "SysWOW64".
ServerCheck LookUp(const char* name, int loader, char* found, DriveTypes* drives)
{
    char system[MAX_PATH];
    char windows[MAX_PATH];
    UINT length = loader == 32 ? GetSystemWow64DirectoryA(system, MAX_PATH) : GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return Unchecked(UncheckedWhy::kNoSystemFolder);
    if (FoundIn(system, name, found))
        return Checked(ServerState::kPresent);
    length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return Unchecked(UncheckedWhy::kNoSystemFolder);
    if (FoundIn(windows, name, found))
        return Checked(ServerState::kPresent);
    bool skippedNetwork = false;
    const ServerState state = LookUpInPath(name, loader, system, windows, found, drives, &skippedNetwork);
    if (state == ServerState::kMissing && skippedNetwork)
        return Unchecked(UncheckedWhy::kNetworkFolder);
    return Checked(state);
}

// A path with a drive, looked at as the loader would reach it.
ServerCheck LookAt(const char* path, int loader, DriveTypes* drives)
{
    char seen[kLineRoom];
    if (loader == 32)
        As32BitLoaderSees(path, seen, kLineRoom);
    else
        lstrcpynA(seen, path, kLineRoom);
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

ServerCheck CheckAsLoader(const char* server, int loader, char* found, DriveTypes* drives)
{
    // The path without the double quotes it may be registered in.
    char path[kLineRoom];
    const int length = lstrlenA(server);
    if (length >= 2 && server[0] == '"' && server[length - 1] == '"')
        lstrcpynA(path, server + 1, length - 1 < kLineRoom ? length - 1 : kLineRoom);
    else
        lstrcpynA(path, server, kLineRoom);
    if (path[0] == '\0')
        return Unchecked(UncheckedWhy::kNoPath);
    if (HoldsChar(path, '%'))
        return Unchecked(UncheckedWhy::kEnvironmentVariable);
    if (path[0] == '\\' && path[1] == '\\')
        return Unchecked(UncheckedWhy::kNetworkPath);
    if (!HoldsChar(path, '\\') && !HoldsChar(path, '/') && !HoldsChar(path, ':'))
        return LookUp(path, loader, found, drives);
    if (!(path[1] == ':' && (path[2] == '\\' || path[2] == '/')))
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
