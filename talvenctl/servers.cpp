// Whether a control's server file is still there, looked for as the loader
// would.
#include "talvenctl.h"

namespace {

bool HasAny(const std::string& text, const char* chars)
{
    return text.find_first_of(chars) != std::string::npos;
}

}  // namespace

ServerState CheckServer(const std::string& server, std::string* note)
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
        char system[MAX_PATH];
        char windows[MAX_PATH];
        GetSystemDirectoryA(system, MAX_PATH);
        GetWindowsDirectoryA(windows, MAX_PATH);
        char pathVariable[32767];
        const DWORD length = GetEnvironmentVariableA("PATH", pathVariable, sizeof pathVariable);
        const std::string folders = std::string(system) + ";" + windows +
                                    (length > 0 && length < sizeof pathVariable ? ";" + std::string(pathVariable) : "");
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
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? ServerState::kMissing : ServerState::kPresent;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return ServerState::kMissing;
    *note = Reason(static_cast<ResultCode>(error), "");
    return ServerState::kUnchecked;
}

const char* StateName(ServerState state)
{
    return state == ServerState::kPresent ? "present" : state == ServerState::kMissing ? "missing" : "unchecked";
}
