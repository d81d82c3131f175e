// The fixture on a real registry: keys written with RegCreateKeyExA and
// RegSetValueExA, denied access through a key's own security descriptor.
// It runs only in a throwaway Wine prefix (or a machine given over to tests):
// ResetRegistry deletes all of "CLSID", "TypeLib" and "Interface".
#include <gtest/gtest.h>

#include <winternl.h>

#include <cstring>
#include <set>

#include "registry_fixture.h"

extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);
extern "C" NTSTATUS NTAPI NtQueryKey(HANDLE key, int informationClass, PVOID information,
                                     ULONG length, PULONG resultLength);

namespace {

// Every key handle this program opens or creates is counted by replacing the
// registry calls in its own import table, so that a handle left open, or
// closed twice, shows under Wine as it does on the host's key store.
std::set<HKEY> g_openKeys;
int g_badCloses = 0;
decltype(&RegOpenKeyExA) g_open = nullptr;
decltype(&RegCreateKeyExA) g_create = nullptr;
decltype(&RegCloseKey) g_close = nullptr;
decltype(&RegOpenKeyExW) g_openW = nullptr;
decltype(&RegCreateKeyExW) g_createW = nullptr;

// A handle a call made, counted where it made one.
LONG Counted(LONG result, PHKEY key)
{
    if (result == ERROR_SUCCESS)
        g_openKeys.insert(*key);
    return result;
}

LONG WINAPI CountedOpen(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY key)
{
    return Counted(g_open(parent, subkey, options, access, key), key);
}

LONG WINAPI CountedOpenW(HKEY parent, LPCWSTR subkey, DWORD options, REGSAM access, PHKEY key)
{
    return Counted(g_openW(parent, subkey, options, access, key), key);
}

LONG WINAPI CountedCreate(HKEY parent, LPCSTR subkey, DWORD reserved, LPSTR keyClass, DWORD options,
                          REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    return Counted(g_create(parent, subkey, reserved, keyClass, options, access, security, key, disposition), key);
}

LONG WINAPI CountedCreateW(HKEY parent, LPCWSTR subkey, DWORD reserved, LPWSTR keyClass, DWORD options,
                           REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    return Counted(g_createW(parent, subkey, reserved, keyClass, options, access, security, key, disposition), key);
}

LONG WINAPI CountedClose(HKEY key)
{
    if (g_openKeys.erase(key) == 0)
        ++g_badCloses;
    return g_close(key);
}

// Points this program's import of name from ADVAPI32 at replacement.
template <typename Function>
bool ReplaceImport(const char* name, Function replacement, Function* original)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + module->Name), "advapi32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), name) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            *original = reinterpret_cast<Function>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

bool CountHandles()
{
    static const bool counting = ReplaceImport("RegOpenKeyExA", &CountedOpen, &g_open) &&
                                 ReplaceImport("RegCreateKeyExA", &CountedCreate, &g_create) &&
                                 ReplaceImport("RegOpenKeyExW", &CountedOpenW, &g_openW) &&
                                 ReplaceImport("RegCreateKeyExW", &CountedCreateW, &g_createW) &&
                                 ReplaceImport("RegCloseKey", &CountedClose, &g_close);
    return counting;
}

// Interface too: a snapshot of a layout that names it would otherwise walk
// the thousands of interfaces a fresh prefix registers.
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }
};
// One key whatever the case it was named in.
std::set<std::string, NoCase> g_topKeys = {"CLSID", "TypeLib", "Interface"};
std::set<std::string, NoCase> g_userTopKeys;
std::vector<std::pair<std::string, REGSAM>> g_denied;
std::vector<std::pair<std::string, REGSAM>> g_links;

std::string TopName(const std::string& path)
{
    return path.substr(0, path.find('\\'));
}

// A path of the user's store: the rest after kUserPath.
bool InUser(const std::string& path, std::string* rest)
{
    if (path.size() < kUserPath.size() || lstrcmpiA(path.substr(0, kUserPath.size()).c_str(), kUserPath.c_str()) != 0)
        return false;
    *rest = path.substr(kUserPath.size());
    return true;
}

bool IsView32(REGSAM view)
{
    return view == KEY_WOW64_32KEY || (view == 0 && sizeof(void*) == 4);
}

bool TwoViews()
{
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

// Where a key of the user's store lies, and the flag that reaches it
// there: every key is named where it lies, the 32-bit view's classes under
// the store's own "Wow6432Node" as on Windows, and opened in the 64-bit
// view, since Wine redirects no open of a 64-bit program below a handle.
std::string UserPlace(const std::string& rest, REGSAM view, REGSAM* flag)
{
    *flag = TwoViews() ? KEY_WOW64_64KEY : 0;
    const bool redirected = lstrcmpiA(TopName(rest).c_str(), "CLSID") == 0 ||
                            lstrcmpiA(TopName(rest).c_str(), "Interface") == 0;
    return *flag != 0 && redirected && IsView32(view) ? "Wow6432Node\\" + rest : rest;
}

// The user's class store, made where it is missing.
HKEY UserClasses(bool make)
{
    HKEY key;
    const REGSAM flag = TwoViews() ? KEY_WOW64_64KEY : 0;
    const LONG opened = make ? RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0,
                                               KEY_ALL_ACCESS | flag, nullptr, &key, nullptr)
                             : RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, KEY_READ | flag, &key);
    return opened == ERROR_SUCCESS ? key : nullptr;
}

// A DACL granting everyone read access, and the right to change the DACL
// back so the fixture can clear the key away afterwards.
bool SetReadOnlyDacl(HKEY key, bool readOnly)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    alignas(8) BYTE aclRoom[256];
    PACL acl = reinterpret_cast<PACL>(aclRoom);
    SECURITY_DESCRIPTOR descriptor;
    bool made = InitializeAcl(acl, sizeof aclRoom, ACL_REVISION) &&
                AddAccessAllowedAce(acl, ACL_REVISION,
                                    readOnly ? (KEY_READ | WRITE_DAC) : KEY_ALL_ACCESS, everyone) &&
                InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    FreeSid(everyone);
    return made && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

bool SetDacl(const std::string& path, REGSAM view, bool readOnly)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, WRITE_DAC | view, &key) != ERROR_SUCCESS)
        return false;
    bool set = SetReadOnlyDacl(key, readOnly);
    RegCloseKey(key);
    return set;
}

// Paths and texts of a layout are UTF-8, and are laid out wide, so that a
// name or value outside the code page is laid out as written; the three
// bytes that would encode a surrogate lay out that unit alone, unpaired.
std::wstring Utf16(const std::string& text)
{
    std::wstring wide;
    for (size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        unsigned long c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t i = 1; i < length && at + i < text.size(); ++i)
            c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        at += length;
        if (c >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(c);
        }
    }
    return wide;
}

bool IsAscii(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The snapshot's line of one key: its path, where it links to, its value.
// Its rooms are on the heap, not on the stack once for every level of a deep
// tree.
std::string KeyLine(HKEY key, const std::string& path)
{
    std::string line = path;
    DWORD type = 0;
    std::vector<WCHAR> target(1024);
    DWORD size = static_cast<DWORD>((target.size() - 1) * sizeof(WCHAR));
    if (RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, reinterpret_cast<BYTE*>(target.data()),
                         &size) == ERROR_SUCCESS) {
        line += " ->";
        for (DWORD i = 0; i < size / sizeof(WCHAR); ++i)
            line += static_cast<char>(target[i]);
    }
    std::vector<char> data(4096);
    size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS)
        line += " = " + std::to_string(type) + ":" + std::string(data.data(), size);
    return line;
}

// Opens each key relative to its parent, so that keys deeper than the 8-bit
// calls can address by their whole path are seen too; a link as itself,
// unless options say otherwise. Names are read wide and written as UTF-8,
// as a layout gives them.
void DumpKeyW(HKEY parent, const std::wstring& name, const std::string& path, std::vector<std::string>* out,
              DWORD options, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(parent, name.c_str(), options, KEY_READ | view, &key) != ERROR_SUCCESS)
        return;
    out->push_back(KeyLine(key, path));
    WCHAR child[256];
    for (DWORD index = 0; RegEnumKeyW(key, index, child, 256) == ERROR_SUCCESS; ++index) {
        char utf8[1024];
        const int length = WideCharToMultiByte(CP_UTF8, 0, child, -1, utf8, sizeof utf8, nullptr, nullptr);
        DumpKeyW(key, child, path + "\\" + std::string(utf8, length > 0 ? length - 1 : 0), out, REG_OPTION_OPEN_LINK,
                 view);
    }
    RegCloseKey(key);
}

void DumpKey(HKEY parent, const std::string& name, const std::string& path,
             std::vector<std::string>* out, DWORD options = REG_OPTION_OPEN_LINK, REGSAM view = 0)
{
    DumpKeyW(parent, Utf16(name), path, out, options, view);
}

// The key's name as the registry itself knows it, which a link names.
std::wstring NativeName(const std::string& path, REGSAM view)
{
    HKEY key;
    std::string rest;
    LONG opened;
    if (InUser(path, &rest)) {
        const HKEY user = UserClasses(false);
        const std::string place = UserPlace(rest, view, &view);
        opened = user == nullptr ? ERROR_FILE_NOT_FOUND : RegOpenKeyExA(user, place.c_str(), 0, KEY_READ | view, &key);
        if (user != nullptr)
            RegCloseKey(user);
    } else {
        opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key);
    }
    if (opened != ERROR_SUCCESS)
        return std::wstring();
    alignas(8) BYTE room[4096];
    ULONG size = 0;
    const NTSTATUS status = NtQueryKey(key, 3 /* KeyNameInformation */, room, sizeof room, &size);
    RegCloseKey(key);
    if (status != 0)
        return std::wstring();
    ULONG length;
    std::memcpy(&length, room, sizeof length);
    return std::wstring(reinterpret_cast<WCHAR*>(room + sizeof length), length / sizeof(WCHAR));
}

// Makes the last name of path a link under the open parent (in the view
// that view names) to the target (in the view that targetView names).
LONG MakeLink(HKEY parent, const std::string& name, const std::string& target, REGSAM view, REGSAM targetView)
{
    const std::wstring native = NativeName(target, targetView);
    if (native.empty())
        return ERROR_FILE_NOT_FOUND;
    HKEY link;
    LONG made = RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                KEY_ALL_ACCESS | KEY_CREATE_LINK | view, nullptr, &link, nullptr);
    if (made != ERROR_SUCCESS)
        return made;
    made = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                          reinterpret_cast<const BYTE*>(native.data()),
                          static_cast<DWORD>(native.size() * sizeof(WCHAR)));
    RegCloseKey(link);
    return made;
}

// Deletes the link itself: any other way of deleting reaches its target.
void DeleteLink(const std::string& path, REGSAM view)
{
    HKEY link;
    std::string rest;
    HKEY parent = HKEY_CLASSES_ROOT;
    std::string place = path;
    if (InUser(path, &rest)) {
        parent = UserClasses(false);
        place = UserPlace(rest, view, &view);
    }
    const LONG opened = parent == nullptr ? ERROR_FILE_NOT_FOUND
                                          : RegOpenKeyExA(parent, place.c_str(), REG_OPTION_OPEN_LINK,
                                                          KEY_ALL_ACCESS | view, &link);
    if (parent != nullptr && parent != HKEY_CLASSES_ROOT)
        RegCloseKey(parent);
    if (opened != ERROR_SUCCESS)
        return;
    NtDeleteKey(link);
    RegCloseKey(link);
}

// Deletes the tree at the top of the class store in one view: its
// contents through a handle of that view, then the key itself.
LONG DeleteTopInView(const std::string& top, REGSAM view)
{
    HKEY key;
    LONG gone = RegOpenKeyExA(HKEY_CLASSES_ROOT, top.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    if (gone != ERROR_SUCCESS)
        return gone;
    gone = RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    return gone == ERROR_SUCCESS ? RegDeleteKeyExA(HKEY_CLASSES_ROOT, top.c_str(), view, 0) : gone;
}

}  // namespace

REGSAM OtherView()
{
    return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

bool HasTwoViews()
{
    return TwoViews();
}

void LayViews(bool)
{
    if (!HasTwoViews())
        return;
    // Through the 64-bit view, where the 32-bit one's keys have their own
    // names; not as laid-out keys, which clearing would take with the links
    // beside them.
    for (const char* path : {"CLSID", "Wow6432Node\\CLSID", "TypeLib"}) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        RegCloseKey(key);
    }
}

void ResetRegistry()
{
    ASSERT_TRUE(CountHandles()) << "could not count registry handles";
    for (const auto& denied : g_denied)
        SetDacl(denied.first, denied.second, false);
    g_denied.clear();
    // Links go first, by themselves, so that clearing follows none of them.
    for (const auto& link : g_links)
        DeleteLink(link.first, link.second);
    g_links.clear();
    // The user's store goes whole: a fresh prefix has none.
    HKEY software;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS | (TwoViews() ? KEY_WOW64_64KEY : 0),
                      &software) == ERROR_SUCCESS) {
        const LONG cleared = RegDeleteTreeA(software, "Classes");
        RegCloseKey(software);
        ASSERT_TRUE(cleared == ERROR_SUCCESS || cleared == ERROR_FILE_NOT_FOUND) << cleared;
    }
    g_userTopKeys.clear();
    // In each view; a 32-bit view reads a key of its own where there is one
    // and the shared key otherwise, so a key may have to go more than once.
    const REGSAM views[] = {0, OtherView()};
    for (const std::string& top : g_topKeys) {
        for (REGSAM view : views) {
            for (int round = 0; round < 3 && KeyExists(top, view); ++round)
                ASSERT_EQ(DeleteTopInView(top, view), ERROR_SUCCESS) << top;
            ASSERT_FALSE(KeyExists(top, view)) << top;
        }
    }
}

// Wine reads a 32-bit program's "CLSID" from the shared key while the
// 32-bit view has none of its own, which would make one key of both views'
// classes: a class laid out for the 32-bit view gets that view's own.
void KeepViewsApart(const KeyDef& def)
{
    const bool view32 = def.view == KEY_WOW64_32KEY || (def.view == 0 && sizeof(void*) == 4);
    if (!view32 || !HasTwoViews() || lstrcmpiA(TopName(def.path).c_str(), "CLSID") != 0)
        return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "Wow6432Node\\CLSID", 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void Lay(const std::vector<KeyDef>& keys)
{
    for (KeyDef def : keys) {
        const KeyDef given = def;
        std::string rest;
        HKEY top = HKEY_CLASSES_ROOT;
        if (InUser(def.path, &rest)) {
            g_userTopKeys.insert(TopName(rest));
            def.path = UserPlace(rest, def.view, &def.view);
            top = UserClasses(true);
            ASSERT_NE(top, nullptr);
        } else {
            KeepViewsApart(def);
            g_topKeys.insert(TopName(def.path));
        }
        // One name at a time, so that keys deeper than the 8-bit calls can
        // address by their whole path can be laid out too.
        const bool link = def.type == REG_LINK;
        const size_t last = def.path.rfind('\\');
        const std::string parents = link ? def.path.substr(0, last == std::string::npos ? 0 : last) : def.path;
        HKEY key = top;
        LONG made = ERROR_SUCCESS;
        for (size_t start = 0; made == ERROR_SUCCESS && start < parents.size() + (link ? 0 : 1);) {
            size_t end = parents.find('\\', start);
            if (end == std::string::npos)
                end = parents.size();
            HKEY child;
            made = RegCreateKeyExW(key, Utf16(parents.substr(start, end - start)).c_str(), 0, nullptr, 0,
                                   KEY_ALL_ACCESS | def.view, nullptr, &child, nullptr);
            if (key != HKEY_CLASSES_ROOT)
                RegCloseKey(key);
            key = made == ERROR_SUCCESS ? child : HKEY_CLASSES_ROOT;
            start = end + 1;
        }
        ASSERT_EQ(made, ERROR_SUCCESS) << def.path;
        if (link) {
            made = MakeLink(key, def.path.substr(last == std::string::npos ? 0 : last + 1), def.data, def.view,
                            given.view);
            if (key != HKEY_CLASSES_ROOT)
                RegCloseKey(key);
            g_links.push_back({given.path, given.view});
            ASSERT_EQ(made, ERROR_SUCCESS) << def.path;
            continue;
        }
        if (def.type == REG_SZ && !IsAscii(def.data)) {
            const std::wstring wide = Utf16(def.data);
            made = RegSetValueExW(key, L"", 0, def.type, reinterpret_cast<const BYTE*>(wide.data()),
                                  static_cast<DWORD>(wide.size() * sizeof(WCHAR)));
        } else if (def.type != kNoValue) {
            made = RegSetValueExA(key, "", 0, def.type,
                                  reinterpret_cast<const BYTE*>(def.data.data()),
                                  static_cast<DWORD>(def.data.size()));
        }
        RegCloseKey(key);
        ASSERT_EQ(made, ERROR_SUCCESS) << def.path;
    }
}

void DenyWrite(const std::string& path)
{
    ASSERT_TRUE(SetDacl(path, 0, true)) << path;
    g_denied.push_back({path, 0});
}

bool KeyExists(const std::string& path, REGSAM view)
{
    HKEY key;
    std::string rest;
    if (InUser(path, &rest)) {
        const HKEY user = UserClasses(false);
        const std::string place = UserPlace(rest, view, &view);
        const LONG opened =
            user == nullptr ? ERROR_FILE_NOT_FOUND : RegOpenKeyExW(user, Utf16(place).c_str(), 0, KEY_READ | view, &key);
        if (user != nullptr)
            RegCloseKey(user);
        if (opened != ERROR_SUCCESS)
            return false;
    } else if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Utf16(path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::vector<std::string> Snapshot()
{
    std::vector<std::string> out;
    for (const std::string& top : g_topKeys)
        DumpKey(HKEY_CLASSES_ROOT, top, top, &out);
    // The user's store as the program's own view has it, each key named as
    // a path of that store.
    const HKEY user = UserClasses(false);
    if (user == nullptr)
        return out;
    for (const std::string& top : g_userTopKeys) {
        REGSAM flag;
        const std::string place = UserPlace(top, 0, &flag);
        DumpKey(user, place, kUserPath + top, &out, REG_OPTION_OPEN_LINK, flag);
    }
    RegCloseKey(user);
    return out;
}

std::vector<std::string> SnapshotTree(const std::string& path)
{
    std::vector<std::string> out;
    DumpKey(HKEY_CLASSES_ROOT, path, path, &out);
    return out;
}

std::vector<std::string> SnapshotAll()
{
    // From the 64-bit view, where the 32-bit one's own keys show under
    // "Wow6432Node" and its links to the shared keys as links: both views
    // at once, each key once. The top keys are followed where Wine links
    // them.
    std::vector<std::string> out;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(HKEY_CLASSES_ROOT, index, name, sizeof name) == ERROR_SUCCESS; ++index)
        DumpKey(HKEY_CLASSES_ROOT, name, name, &out, 0, KEY_WOW64_64KEY);
    return out;
}

int OpenHandles()
{
    // A close of a handle not open counts against the total for good.
    return CountHandles() ? static_cast<int>(g_openKeys.size()) - 1000 * g_badCloses : -1;
}

long DeletionsThroughView()
{
    return 0;  // a real registry does not say
}
