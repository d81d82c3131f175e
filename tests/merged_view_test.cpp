// HKEY_CLASSES_ROOT as Windows shows it: the user's class store over the
// machine's. Each case holds the stand-in to what the platform's own
// conformance tests assert of Windows; the same source runs under Wine,
// which merges nothing (its HKEY_CLASSES_ROOT is the machine's store
// alone), and there says so and skips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_fixture.h"
#ifndef _WIN32
#include "keystore.h"
#endif

namespace merged_view_test {

constexpr char kClasses[] = "Software\\Classes\\";
const std::string kKey = "TalvenMerge";

HKEY Hive(bool user)
{
    return user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Makes the key in one store's classes, with its default value where given.
void Make(bool user, const std::string& path, const char* value = nullptr, REGSAM view = 0)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(Hive(user), (kClasses + path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    if (value != nullptr) {
        EXPECT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(std::string(value).size() + 1)),
                  ERROR_SUCCESS);
    }
    RegCloseKey(key);
}

bool Holds(bool user, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(Hive(user), (kClasses + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The default value read through an open handle, or the code of the read.
std::string ValueOf(HKEY key)
{
    char room[64];
    DWORD size = sizeof room;
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(room), &size);
    return read == ERROR_SUCCESS ? std::string(room) : "error " + std::to_string(read);
}

// The default value of path as HKEY_CLASSES_ROOT shows it.
std::string Shown(const std::string& path, REGSAM view = 0)
{
    HKEY key;
    const LONG opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key);
    if (opened != ERROR_SUCCESS)
        return "error " + std::to_string(opened);
    const std::string value = ValueOf(key);
    RegCloseKey(key);
    return value;
}

// The subkeys a handle enumerates, and the code that ended the list.
std::vector<std::string> Names(HKEY key, LONG* end = nullptr)
{
    std::vector<std::string> names;
    char name[256];
    LONG found;
    for (DWORD index = 0; (found = RegEnumKeyA(key, index, name, sizeof name)) == ERROR_SUCCESS; ++index)
        names.push_back(name);
    if (end != nullptr)
        *end = found;
    return names;
}

class MergedView : public ClearedRegistry<> {
protected:
    void SetUp() override
    {
        ClearedRegistry<>::SetUp();
        Make(true, kKey, "user");
        HKEY key;
        const bool merged = RegOpenKeyExA(HKEY_CLASSES_ROOT, kKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (merged)
            RegCloseKey(key);
        DeleteBoth(kKey);
        if (!merged)
            GTEST_SKIP() << "Wine 8 merges nothing: its HKEY_CLASSES_ROOT shows no key of the user's store";
    }
    void TearDown() override
    {
        DeleteBoth(kKey);
        ClearedRegistry<>::TearDown();
    }
    // Deletes the test's key and its subkeys from both stores.
    static void DeleteBoth(const std::string& path)
    {
        for (bool user : {true, false}) {
            HKEY key;
            if (RegOpenKeyExA(Hive(user), (kClasses + path).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
                continue;
            for (const std::string& name : Names(key))
                DeleteBoth(path + "\\" + name);
            RegCloseKey(key);
            RegDeleteKeyA(Hive(user), (kClasses + path).c_str());
        }
    }
};

TEST_F(MergedView, ReadsTheUsersCopyWhereTheUsersStoreHoldsTheKey)
{
    Make(false, kKey, "machine");
    EXPECT_EQ(Shown(kKey), "machine");
    Make(true, kKey, "user");
    EXPECT_EQ(Shown(kKey), "user");
    // The machine's copy, changed, does not show.
    Make(false, kKey, "machine again");
    EXPECT_EQ(Shown(kKey), "user");
    // A key of the user's store alone shows too.
    Make(true, kKey + "\\OnlyUser", "user's own");
    EXPECT_EQ(Shown(kKey + "\\OnlyUser"), "user's own");
}

TEST_F(MergedView, AHandleOnTheMachinesCopyReadsTheUsersOnceOneAppears)
{
    Make(false, kKey + "\\Sub", "machine");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (kKey + "\\Sub").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueOf(key), "machine");
    Make(true, kKey + "\\Sub", "user");
    EXPECT_EQ(ValueOf(key), "user");
    // A subkey only the user's store holds opens through it as well.
    Make(true, kKey + "\\Sub\\UserSub", "user's sub");
    HKEY sub;
    ASSERT_EQ(RegOpenKeyExA(key, "UserSub", 0, KEY_READ, &sub), ERROR_SUCCESS);
    EXPECT_EQ(ValueOf(sub), "user's sub");
    RegCloseKey(sub);
    RegCloseKey(key);
}

// Each name once, in order, at every level; a handle bound to the user's
// copy reports it deleted once it is, and a new one shows the machine's.
TEST_F(MergedView, EnumeratesTheSubkeysOfBothCopiesEachNameOnceAtEveryLevel)
{
    for (const char* name : {"A", "B"})
        Make(true, kKey + "\\Level\\" + name);
    for (const char* name : {"A", "C"})
        Make(false, kKey + "\\Level\\" + name);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (kKey + "\\Level").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    LONG end;
    EXPECT_EQ(Names(key, &end), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(end, ERROR_NO_MORE_ITEMS);
    HKEY top;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kKey.c_str(), 0, KEY_READ, &top), ERROR_SUCCESS);
    EXPECT_EQ(Names(top), std::vector<std::string>{"Level"});
    RegCloseKey(top);

    for (const char* name : {"A", "B", ""})
        ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, (kClasses + kKey + "\\Level\\" + name).c_str()), ERROR_SUCCESS);
    Names(key, &end);
    EXPECT_EQ(end, ERROR_KEY_DELETED);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (kKey + "\\Level").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Names(key), (std::vector<std::string>{"A", "C"}));
    RegCloseKey(key);
}

TEST_F(MergedView, ANewKeyGoesToTheMachinesStoreAnExistingOneOpensWhereItShows)
{
    Make(true, kKey, "user");
    HKEY key;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    EXPECT_EQ(ValueOf(key), "user");
    // A subkey made through the user's copy goes to the machine's store.
    HKEY sub;
    ASSERT_EQ(RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(sub);
    RegCloseKey(key);
    EXPECT_TRUE(Holds(false, kKey + "\\New"));
    EXPECT_FALSE(Holds(true, kKey + "\\New"));
}

// The hazard itself: a deletion through the view takes the user's copy; the
// machine's shows through, and a second deletion of the same path takes it.
TEST_F(MergedView, ADeletionTakesTheCopyShownAndTheMachinesShowsThrough)
{
    Make(false, kKey + "\\Both", "machine");
    Make(true, kKey + "\\Both", "user");
    HKEY machine;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kClasses + kKey + "\\Both").c_str(), 0, KEY_READ, &machine),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, (kKey + "\\Both").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(Holds(true, kKey + "\\Both"));
    EXPECT_TRUE(Holds(false, kKey + "\\Both"));
    EXPECT_EQ(ValueOf(machine), "machine");
    EXPECT_EQ(Shown(kKey + "\\Both"), "machine");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, (kKey + "\\Both").c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(Holds(false, kKey + "\\Both"));
    EXPECT_EQ(ValueOf(machine), "error " + std::to_string(ERROR_KEY_DELETED));
    RegCloseKey(machine);
}

#ifndef _WIN32
// Both views: the user's store keeps the 32-bit view's classes under its
// own "Wow6432Node", as the machine's does, and the view shows each view
// its own.
TEST_F(MergedView, EachViewShowsItsOwnClassesOfTheUsersStore)
{
    keystore::SetViews(keystore::Views::kTwoFrom32);
    const std::string clsid = "CLSID\\" + kKey;
    Make(true, "Wow6432Node\\" + clsid, "user 32", KEY_WOW64_64KEY);
    Make(true, clsid, "user 64", KEY_WOW64_64KEY);
    Make(false, "Wow6432Node\\" + clsid + "\\Machine", "machine 32", KEY_WOW64_64KEY);
    EXPECT_EQ(Shown(clsid, KEY_WOW64_32KEY), "user 32");
    EXPECT_EQ(Shown(clsid, KEY_WOW64_64KEY), "user 64");
    EXPECT_EQ(Shown(clsid + "\\Machine", KEY_WOW64_32KEY), "machine 32");
    EXPECT_EQ(Shown(clsid + "\\Machine", KEY_WOW64_64KEY), "error " + std::to_string(ERROR_FILE_NOT_FOUND));
}
#endif

}  // namespace merged_view_test
