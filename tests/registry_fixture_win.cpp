// The fixture on a real registry: keys written with RegCreateKeyExA and
// RegSetValueExA, denied access through a key's own security descriptor.
// It runs only in a throwaway Wine prefix (or a machine given over to tests):
// ResetRegistry deletes all of "CLSID" and "TypeLib".
#include <gtest/gtest.h>

#include <set>

#include "registry_fixture.h"

namespace {

std::set<std::string> g_topKeys = {"CLSID", "TypeLib"};
std::vector<std::string> g_denied;

std::string TopName(const std::string& path)
{
    return path.substr(0, path.find('\\'));
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

bool SetDacl(const std::string& path, bool readOnly)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    bool set = SetReadOnlyDacl(key, readOnly);
    RegCloseKey(key);
    return set;
}

// Opens each key relative to its parent, so that keys deeper than the 8-bit
// calls can address by their whole path are seen too.
void DumpKey(HKEY parent, const std::string& name, const std::string& path,
             std::vector<std::string>* out)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    std::string line = path;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, "", nullptr, &type, data, &size) == ERROR_SUCCESS)
        line += " = " + std::to_string(type) + ":" +
                std::string(reinterpret_cast<char*>(data), size);
    out->push_back(line);
    char child[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, child, sizeof child) == ERROR_SUCCESS; ++index)
        DumpKey(key, child, path + "\\" + child, out);
    RegCloseKey(key);
}

}  // namespace

void ResetRegistry()
{
    for (const std::string& path : g_denied)
        SetDacl(path, false);
    g_denied.clear();
    // A 32-bit program sees a key of the 32-bit view where there is one and
    // the shared key otherwise, so a key may have to go more than once.
    for (const std::string& top : g_topKeys) {
        for (int round = 0; round < 3 && KeyExists(top); ++round) {
            LONG gone = RegDeleteTreeA(HKEY_CLASSES_ROOT, top.c_str());
            ASSERT_EQ(gone, ERROR_SUCCESS) << top;
        }
        ASSERT_FALSE(KeyExists(top)) << top;
    }
}

void Lay(const std::vector<KeyDef>& keys)
{
    for (const KeyDef& def : keys) {
        g_topKeys.insert(TopName(def.path));
        // One name at a time, so that keys deeper than the 8-bit calls can
        // address by their whole path can be laid out too.
        HKEY key = HKEY_CLASSES_ROOT;
        LONG made = ERROR_SUCCESS;
        for (size_t start = 0; made == ERROR_SUCCESS && start <= def.path.size();) {
            size_t end = def.path.find('\\', start);
            if (end == std::string::npos)
                end = def.path.size();
            HKEY child;
            made = RegCreateKeyExA(key, def.path.substr(start, end - start).c_str(), 0, nullptr, 0,
                                   KEY_ALL_ACCESS, nullptr, &child, nullptr);
            if (key != HKEY_CLASSES_ROOT)
                RegCloseKey(key);
            key = made == ERROR_SUCCESS ? child : HKEY_CLASSES_ROOT;
            start = end + 1;
        }
        ASSERT_EQ(made, ERROR_SUCCESS) << def.path;
        if (def.type != kNoValue) {
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
    ASSERT_TRUE(SetDacl(path, true)) << path;
    g_denied.push_back(path);
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> Snapshot()
{
    std::vector<std::string> out;
    for (const std::string& top : g_topKeys)
        DumpKey(HKEY_CLASSES_ROOT, top, top, &out);
    return out;
}

int OpenHandles()
{
    return -1;
}
