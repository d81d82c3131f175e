// The registrations of a fresh Wine prefix, which nobody here wrote: every
// class that names a ProgID is made a control and removed, one after
// another. Each goes, with its own ProgID tree and its library; a key its
// ProgID value names that is not its own stays as it was; and at the end no
// key outside the removed controls' own trees is gone.
//
// What is a class's own is judged here from the registry as found, not by
// talven's rules: its ProgID tree is the key its value names when that key
// names the class back in its "CLSID" subkey and does not hold the class's
// own key (the class moniker's ProgID is "CLSID", whose "CLSID" subkey names
// it back); its library is the key under "TypeLib" its "Typelib" value names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

#include "controls.h"
#include "registry_fixture.h"

namespace {

struct Found {
    std::string clsid;
    std::string progId;   // the value, as found
    std::string typeLib;  // the value, as found
    bool ownProgId;
};

std::string DefaultText(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char text[1024];
    DWORD type = 0;
    DWORD size = sizeof text - 1;
    const LONG read = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    text[size] = '\0';
    return text;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && InsideTree(a, b);
}

// Every class that names a ProgID, made a listed control: a "Control"
// subkey, and a server path and display name only where it has none.
std::vector<Found> MakeControlsOfProgIdClasses()
{
    std::vector<std::string> classes;
    HKEY root;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &root), ERROR_SUCCESS);
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(root, index, name, sizeof name) == ERROR_SUCCESS; ++index)
        classes.push_back(name);
    RegCloseKey(root);
    EXPECT_GT(classes.size(), 300u) << "not a fresh prefix's registry";

    std::vector<Found> found;
    for (const std::string& clsid : classes) {
        const std::string classPath = "CLSID\\" + clsid;
        const std::string progId = DefaultText(classPath + "\\ProgID");
        if (progId.empty())
            continue;
        Found f = {clsid, progId, DefaultText(classPath + "\\Typelib"), false};
        f.ownProgId = progId.find('\\') == std::string::npos && KeyExists(progId) &&
                      SameText(DefaultText(progId + "\\CLSID"), clsid) && !InsideTree(classPath, progId);
        found.push_back(f);
        Lay({Key(classPath + "\\Control")});
        if (DefaultText(classPath + "\\InprocServer32").empty())
            Lay({Text(classPath + "\\InprocServer32", "C:\\windows\\system32\\gone.ocx")});
        if (DefaultText(classPath).empty())
            Lay({Text(classPath, "Class " + clsid)});
    }
    return found;
}

bool IsLibraryIdentifier(const std::string& text)
{
    if (text.size() != 38)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i == 0 ? c == '{' : i == 37 ? c == '}' : (i == 9 || i == 14 || i == 19 || i == 24)
                                                                    ? c == '-'
                                                                    : std::isxdigit(static_cast<unsigned char>(c));
        if (!ok)
            return false;
    }
    return true;
}

TEST(RealRegistry, EveryClassNamingAProgIdIsRemovedWithItsOwnTreesAndNothingElse)
{
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Found> found = MakeControlsOfProgIdClasses();
    ASSERT_FALSE(found.empty());
    std::map<std::string, std::string> lines;
    for (const std::string& line : ListControls())
        lines[line.substr(line.find('\t') + 1, line.rfind('\t') - line.find('\t') - 1)] = line;

    const std::vector<std::string> before = SnapshotAll();
    std::vector<std::string> allowed;
    int removed = 0;
    int ownProgIds = 0;
    for (const Found& f : found) {
        SCOPED_TRACE(f.clsid + " ProgID " + f.progId);
        ASSERT_EQ(lines.count(f.clsid), 1u) << "not listed";
        const std::string classPath = "CLSID\\" + f.clsid;
        const std::vector<std::string> named = f.ownProgId ? std::vector<std::string>() : SnapshotTree(f.progId);
        char room[kLineRoom];
        std::strcpy(room, lines[f.clsid].c_str());
        const ResultCode result = RemoveControl(room);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(KeyExists(classPath));
        removed += result == 0 && !KeyExists(classPath);
        allowed.push_back(classPath);
        if (f.ownProgId) {
            ++ownProgIds;
            EXPECT_FALSE(KeyExists(f.progId));
            allowed.push_back(f.progId);
        } else {
            // Less the class itself, where the key named holds it ("CLSID").
            EXPECT_EQ(SnapshotTree(f.progId), WithoutTrees(named, {classPath})) << "not its own, yet changed";
        }
        if (IsLibraryIdentifier(f.typeLib)) {
            EXPECT_FALSE(KeyExists("TypeLib\\" + f.typeLib));
            allowed.push_back("TypeLib\\" + f.typeLib);
        }
    }
    // Said as the keys that differ: the whole store is thousands of lines.
    const std::vector<std::string> after = SnapshotAll();
    const std::vector<std::string> expected = WithoutTrees(before, allowed);
    for (const std::string& line : expected)
        EXPECT_TRUE(std::find(after.begin(), after.end(), line) != after.end()) << "gone: " << line;
    for (const std::string& line : after)
        EXPECT_TRUE(std::find(expected.begin(), expected.end(), line) != expected.end()) << "new: " << line;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("removed %d of %zu classes naming a ProgID (%d with a ProgID tree of their own) in %.1f s\n",
                removed, found.size(), ownProgIds, seconds);
    EXPECT_EQ(removed, static_cast<int>(found.size()));
}

}  // namespace
