#include "talvenctl.h"

#include <cstdio>
#include <cstring>

#include "reg_format.h"

namespace {

void Collect(const char* line, void* context)
{
    const std::string text = line;
    const size_t first = text.find('\t');
    const size_t last = text.rfind('\t');
    static_cast<std::vector<Control>*>(context)->push_back(
        {text, text.substr(0, first), text.substr(first + 1, last - first - 1), text.substr(last + 1)});
}

bool HasAny(const std::string& text, const char* chars)
{
    return text.find_first_of(chars) != std::string::npos;
}

// The values of an open key as the lines of its backup section.
std::u16string SectionOf(HKEY key, const char* path)
{
    std::u16string section = RegKeyLine(Utf16(path));
    DWORD nameRoom = 0;
    DWORD dataRoom = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameRoom,
                     &dataRoom, nullptr, nullptr);
    std::vector<wchar_t> name(nameRoom + 1);
    std::vector<uint8_t> data(dataRoom + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG read = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (read != ERROR_SUCCESS)
            break;
        section += RegValueLine(std::u16string(name.begin(), name.begin() + nameLength), type,
                                std::vector<uint8_t>(data.begin(), data.begin() + size));
    }
    return section + u"\r\n";
}

ResultCode Note(HKEY, const char* path, KeyVisit visit, void* context)
{
    RemovalPlan* plan = static_cast<RemovalPlan*>(context);
    if (visit == kRefusingKey)
        plan->refusedAt = path;
    else if (visit == kLeavingKey)
        plan->order.push_back(path);
    return ERROR_SUCCESS;
}

ResultCode NoteWithBackup(HKEY key, const char* path, KeyVisit visit, void* context)
{
    if (visit == kEnteringKey)
        static_cast<RemovalPlan*>(context)->backup.push_back({path, SectionOf(key, path)});
    return Note(key, path, visit, context);
}


}  // namespace

ResultCode ListedControls(std::vector<Control>* controls)
{
    return FillControlList(Collect, controls);
}

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

RemovalPlan PlanFor(const Control& control, bool withBackup, const Census& census)
{
    RemovalPlan plan = {0, {}, {}, {}, {}, &census};
    char room[kLineRoom];
    lstrcpynA(room, control.line.c_str(), kLineRoom);
    const RemovalWatch watch = {withBackup ? NoteWithBackup : Note, NoteKeptIn<RemovalPlan>, AskCensusIn<RemovalPlan>,
                                &plan};
    plan.result = PlanRemoval(room, watch);
    return plan;
}

void NamedTreesOf(const Control& control, const Census& census, std::string* progId, std::string* typeLib)
{
    progId->clear();
    typeLib->clear();
    HKEY classKey;
    const std::string path = "CLSID\\" + control.clsid;
    if (OpenKey(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &classKey) != ERROR_SUCCESS)
        return;
    char progIdRoom[kLineRoom];
    char typeLibRoom[kTypeLibPathRoom];
    RemovalPlan plan = {0, {}, {}, {}, {}, &census};
    const RemovalWatch watch = {nullptr, nullptr, AskCensusIn<RemovalPlan>, &plan};
    if (FindNamedTrees(classKey, control.clsid.c_str(), progIdRoom, typeLibRoom, watch) == ERROR_SUCCESS) {
        *progId = progIdRoom;
        const char* slash = typeLibRoom[0] == '\0' ? typeLibRoom : typeLibRoom + lstrlenA("TYPELIB\\");
        *typeLib = slash;
    }
    RegCloseKey(classKey);
}

bool TakeCensusOrSay(Census* census)
{
    const ResultCode counted = TakeCensus(census);
    if (counted != ERROR_SUCCESS)
        std::fprintf(stderr, "talvenctl: cannot tell which classes use which library: %s; nothing done\n",
                     Reason(counted, "").c_str());
    return counted == ERROR_SUCCESS;
}

std::string Reason(ResultCode code, const std::string& where)
{
    std::string said;
    if (code == ERROR_CANT_RESOLVE_FILENAME)
        said = "a registry link";
    else if (code == ERROR_FILENAME_EXCED_RANGE || code == ERROR_MORE_DATA)
        said = "a path too long to address";
    else if (code == 1)
        said = "not an entry line";
    else {
        char message[512];
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                            static_cast<DWORD>(code), 0, message, sizeof message, nullptr);
        said = length > 0 ? std::string(message, length) : "error";
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' ||
                                 said.back() == '.'))
            said.pop_back();
    }
    if (!where.empty())
        said += code == ERROR_FILENAME_EXCED_RANGE ? " below " + where : " at " + where;
    return said + " (" + std::to_string(code) + ")";
}

std::u16string Utf16(const std::string& ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return std::u16string(wide.begin(), wide.end());
}

std::string Utf8(const std::string& ansi)
{
    const std::u16string wide = Utf16(ansi);
    const wchar_t* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), &out[0], length, nullptr, nullptr);
    return out;
}

bool SelectControls(const std::vector<std::string>& clsids, bool missing, std::vector<Control>* chosen)
{
    std::vector<Control> controls;
    const ResultCode listed = ListedControls(&controls);
    if (listed != ERROR_SUCCESS) {
        std::fprintf(stderr, "talvenctl: cannot list the controls: %s\n", Reason(listed, "CLSID").c_str());
        return false;
    }
    for (const Control& control : controls) {
        std::string note;
        if (missing && CheckServer(control.server, &note) == ServerState::kMissing)
            chosen->push_back(control);
    }
    for (const std::string& clsid : clsids) {
        bool found = false;
        for (const Control& control : controls) {
            if (!found && lstrcmpiA(control.clsid.c_str(), clsid.c_str()) == 0) {
                chosen->push_back(control);
                found = true;
            }
        }
        if (!found) {
            std::fprintf(stderr, "talvenctl: %s is not a listed control; nothing done\n", clsid.c_str());
            return false;
        }
    }
    return true;
}

bool ParseTargets(int argc, char** argv, const char* verb, std::vector<std::string>* clsids, bool* missing,
                  const char** backup, bool* yes)
{
    *missing = false;
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--missing") {
            *missing = true;
        } else if (backup != nullptr && word == "--backup" && i + 1 < argc) {
            *backup = argv[++i];
        } else if (yes != nullptr && word == "--yes") {
            *yes = true;
        } else if (word.compare(0, 1, "-") == 0) {
            Usage((std::string(verb) + ": unknown option " + word).c_str());
            return false;
        } else {
            clsids->push_back(word);
        }
    }
    if (clsids->empty() == !*missing) {
        Usage((std::string(verb) + ": name the controls by CLSID, or give --missing").c_str());
        return false;
    }
    return true;
}

bool TakeViewOption(int* argc, char** argv)
{
    for (int i = 0; i < *argc; ++i) {
        if (std::strcmp(argv[i], "--view") != 0)
            continue;
        const char* bits = i + 1 < *argc ? argv[i + 1] : "";
        if (std::strcmp(bits, "32") != 0 && std::strcmp(bits, "64") != 0) {
            Usage("--view: the view is 32 or 64");
            return false;
        }
        const REGSAM flag = bits[0] == '3' ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        for (int j = i; j + 2 < *argc; ++j)
            argv[j] = argv[j + 2];
        *argc -= 2;
        const Views views = FindViews();
        if (views.other == 0) {
            // Where there is one view, the flags would be ignored: asking
            // for the other one would quietly act on this one.
            if (ViewBits(flag) != ViewBits(0)) {
                Usage((std::string("--view ") + bits + ": this system keeps one registry view, the " +
                       std::to_string(ViewBits(0)) + "-bit one")
                          .c_str());
                return false;
            }
            return true;
        }
        // Looked up, not imported: the program still starts where Windows
        // has one view and no such call.
        const FARPROC found = GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA");
        if (found == nullptr) {
            // Without it a deletion would reach the program's own view.
            Usage("--view: this Windows cannot delete in a view named");
            return false;
        }
        UseView(flag, reinterpret_cast<DeleteKeyInView>(reinterpret_cast<void (*)()>(found)));
        return true;
    }
    return true;
}

int Usage(const char* message)
{
    if (message != nullptr)
        std::fprintf(stderr, "talvenctl: %s\n", message);
    std::fprintf(stderr,
                 "usage: talvenctl list [--missing] [--format text|csv|json] [--view 32|64]\n"
                 "       talvenctl plan CLSID... | --missing [--view 32|64]\n"
                 "       talvenctl remove CLSID... | --missing [--backup FILE] [--yes] [--view 32|64]\n");
    return kBadUsage;
}
