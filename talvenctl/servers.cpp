// Whether a control's server file is still there, looked for as the loader
// would.
#include "servers.h"

#include "output.h"

namespace {

bool HasAny(const std::string& text, const char* chars)
{
    return text.find_first_of(chars) != std::string::npos;
}

// Whether text begins with the folder prefix (followed by a "\" or its
// end), without regard to case; rest is what follows it.
bool InFolder(const std::string& text, const std::string& folder, std::string* rest)
{
    if (text.size() < folder.size() || lstrcmpiA(text.substr(0, folder.size()).c_str(), folder.c_str()) != 0)
        return false;
    if (text.size() > folder.size() && text[folder.size()] != '\\')
        return false;
    *rest = text.substr(folder.size());
    return true;
}

// The folders of "system32" that Windows leaves to 64-bit programs' files
// alone, redirecting nothing below them for a 32-bit one.
bool IsExempt(const std::string& rest)
{
    static const char* const kExempt[] = {"\\catroot", "\\catroot2", "\\driverstore", "\\drivers\\etc",
                                          "\\logfiles", "\\spool"};
    std::string below;
    for (const char* each : kExempt) {
        if (InFolder(rest, each, &below))
            return true;
    }
    return false;
}

// A path as a 32-bit program's loader reaches it on 64-bit Windows, for a
// 64-bit program to look at: the file system redirector sends
// "%windir%\System32" to "%windir%\SysWOW64" (but for a few folders), and
// "%windir%\Sysnative" to the real "System32".
std::string As32BitLoaderSees(const std::string& path)
{
    char windows[MAX_PATH];
    if (GetWindowsDirectoryA(windows, MAX_PATH) == 0)
        return path;
    const std::string root = windows;
    std::string rest;
    if (InFolder(path, root + "\\System32", &rest) && !IsExempt(rest))
        return root + "\\SysWOW64" + rest;
    if (InFolder(path, root + "\\Sysnative", &rest))
        return root + "\\System32" + rest;
    return path;
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
    const FARPROC found = kernel == nullptr ? nullptr : GetProcAddress(kernel, name);
    return reinterpret_cast<RedirectionCall>(reinterpret_cast<void (*)()>(found));
}

ServerState CheckAsLoader(const std::string& server, int loader, std::string* note)
{
    note->clear();
    std::string path = server;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    if (path.empty()) {
        *note = "no path";
        return ServerState::kUnchecked;
    }
    if (HasAny(path, "%")) {
        *note = "holds an environment variable";
        return ServerState::kUnchecked;
    }
    if (path.compare(0, 2, "\\\\") == 0) {
        *note = "a network path, not visited";
        return ServerState::kUnchecked;
    }
    const bool bare = !HasAny(path, "\\/:");
    if (bare) {
        // The loader's order for a DLL named without a folder, less the
        // folder of whichever program loads it, which cannot be known.
        // A 32-bit loader's system folder is "SysWOW64", and what it finds
        // through PATH is redirected as the rest.
        char system[MAX_PATH];
        char windows[MAX_PATH];
        const UINT systemLength = loader == 32 ? GetSystemWow64DirectoryA(system, MAX_PATH)
                                               : GetSystemDirectoryA(system, MAX_PATH);
        if (systemLength == 0 || systemLength >= MAX_PATH || GetWindowsDirectoryA(windows, MAX_PATH) == 0) {
            note->assign("the system folder could not be told");
            return ServerState::kUnchecked;
        }
        char pathVariable[32767];
        const DWORD length = GetEnvironmentVariableA("PATH", pathVariable, sizeof pathVariable);
        std::string folders = std::string(system) + ";" + windows;
        if (length > 0 && length < sizeof pathVariable) {
            std::string each;
            for (const char* at = pathVariable;; ++at) {
                if (*at == ';' || *at == '\0') {
                    if (!each.empty())
                        folders += ";" + (loader == 32 ? As32BitLoaderSees(each) : each);
                    each.clear();
                    if (*at == '\0')
                        break;
                } else {
                    each += *at;
                }
            }
        }
        char found[MAX_PATH];
        if (SearchPathA(folders.c_str(), path.c_str(), ".dll", MAX_PATH, found, nullptr) != 0) {
            *note = found;
            return ServerState::kPresent;
        }
        return ServerState::kMissing;
    }
    if (!(path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/'))) {
        *note = "a relative path";
        return ServerState::kUnchecked;
    }
    if (loader == 32)
        path = As32BitLoaderSees(path);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? ServerState::kMissing : ServerState::kPresent;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return ServerState::kMissing;
    *note = Reason(static_cast<ResultCode>(error), "");
    return ServerState::kUnchecked;
}

}  // namespace

ServerState CheckServer(const std::string& server, REGSAM view, std::string* note)
{
    const int loader = OtherLoader(view);
    if (loader != 64)
        return CheckAsLoader(server, loader, note);
    // A 64-bit loader, from this 32-bit program: the redirector turned off
    // around the look, so that "System32" is the real one.
    const RedirectionCall disable = FindRedirectionCall("Wow64DisableWow64FsRedirection");
    const RedirectionCall revert = FindRedirectionCall("Wow64RevertWow64FsRedirection");
    PVOID old = nullptr;
    if (disable == nullptr || revert == nullptr || !disable(&old)) {
        note->assign("the 64-bit file system could not be looked at");
        return ServerState::kUnchecked;
    }
    const ServerState state = CheckAsLoader(server, loader, note);
    revert(&old);
    return state;
}

const char* StateName(ServerState state)
{
    return state == ServerState::kPresent ? "present" : state == ServerState::kMissing ? "missing" : "unchecked";
}
