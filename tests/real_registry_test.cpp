// The registrations of a fresh 64-bit Wine prefix, both views of them, which
// nobody here wrote: every class of this program's view that names a ProgID
// is made a control and removed, one after another, then the other view's
// key of each of those classes, from that view. Each class key goes;
// its ProgID tree goes exactly when it is its own and the class's key in the
// other view does not name it too; its library goes exactly when no class
// key left in either view names it; a key its ProgID value names that is
// not its own stays as it was; and at the end no key outside the trees
// that went is gone, in either view.
//
// All of that is judged here from the registry as found, not by talven's
// rules: a class's ProgID tree is the key its value names when that key
// names the class back in its "CLSID" subkey and does not hold the class's
// own key (the class moniker's ProgID is "CLSID", whose "CLSID" subkey
// names it back); its library is the key under "TypeLib" its "Typelib"
// value names; who still names a library or a ProgID is read from every
// class key of both views before the first removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

#include "controls.h"
#include "registry_fixture.h"
#include "census.h"
#include "views.h"

namespace real_registry_test {

// A class key of either view as found: the values that name other trees.
struct Registration {
    std::string clsid;
    REGSAM view;  // 0: this program's own
    std::string progId;
    std::string typeLib;
    bool removed;
};

struct Found {
    std::string clsid;
    REGSAM view;          // 0: this program's own
    std::string progId;   // the value, as found
    std::string typeLib;  // the value, as found
    bool ownProgId;
};

std::string DefaultText(const std::string& path, REGSAM view = 0)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
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

std::vector<std::string> ClassesOf(REGSAM view)
{
    std::vector<std::string> classes;
    HKEY root;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | view, &root), ERROR_SUCCESS);
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(root, index, name, sizeof name) == ERROR_SUCCESS; ++index)
        classes.push_back(name);
    RegCloseKey(root);
    EXPECT_GT(classes.size(), 300u) << "not a fresh prefix's registry in view " << view;
    return classes;
}

std::vector<Registration> RegistrationsOfBothViews()
{
    std::vector<Registration> all;
    for (REGSAM view : {static_cast<REGSAM>(0), OtherView()}) {
        for (const std::string& clsid : ClassesOf(view)) {
            const std::string classPath = "CLSID\\" + clsid;
            all.push_back({clsid, view, DefaultText(classPath + "\\ProgID", view),
                           DefaultText(classPath + "\\Typelib", view), false});
        }
    }
    return all;
}

// Whether the ProgID value names the class's own ProgID tree.
bool OwnProgId(const std::string& clsid, const std::string& progId)
{
    return progId.find('\\') == std::string::npos && KeyExists(progId) &&
           SameText(DefaultText(progId + "\\CLSID"), clsid) && !InsideTree("CLSID\\" + clsid, progId);
}

// Every class of this view that names a ProgID, made a listed control: a
// "Control" subkey, and a server path and display name only where it has
// none.
// Makes the class a control in the view, as a listing shows it: a
// "Control" key, and a server and a display name where it has none.
void MakeControl(const std::string& clsid, REGSAM view)
{
    const std::string classPath = "CLSID\\" + clsid;
    Lay(InView(view, {Key(classPath + "\\Control")}));
    if (DefaultText(classPath + "\\InprocServer32", view).empty())
        Lay(InView(view, {Text(classPath + "\\InprocServer32", "C:\\windows\\system32\\gone.ocx")}));
    if (DefaultText(classPath, view).empty())
        Lay(InView(view, {Text(classPath, "Class " + clsid)}));
}

std::vector<Found> MakeControlsOfProgIdClasses()
{
    std::vector<Found> found;
    for (const std::string& clsid : ClassesOf(0)) {
        const std::string classPath = "CLSID\\" + clsid;
        const std::string progId = DefaultText(classPath + "\\ProgID");
        if (progId.empty())
            continue;
        found.push_back({clsid, 0, progId, DefaultText(classPath + "\\Typelib"), OwnProgId(clsid, progId)});
        MakeControl(clsid, 0);
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

// Whether a registration other than the one removed still names the
// library, or the class's other-view key names the ProgID.
bool LibraryStillNamed(const std::vector<Registration>& all, const std::string& library)
{
    for (const Registration& r : all) {
        if (!r.removed && SameText(r.typeLib, library))
            return true;
    }
    return false;
}

bool OtherViewNamesProgId(const std::vector<Registration>& all, const Found& f)
{
    for (const Registration& r : all) {
        if (!r.removed && r.view != f.view && SameText(r.clsid, f.clsid) && SameText(r.progId, f.progId))
            return true;
    }
    return false;
}

// The path under which the 64-bit view shows a class key of the view.
std::string AsIn64BitView(const std::string& path, REGSAM view)
{
    const bool view32 = view == KEY_WOW64_32KEY || (view == 0 && sizeof(void*) == 4);
    return view32 && InsideTree(path, "CLSID") ? "Wow6432Node\\" + path : path;
}

TEST(RealRegistry, EveryClassNamingAProgIdIsRemovedFromBothViewsWithWhatNoOtherRegistrationUses)
{
    ASSERT_TRUE(HasTwoViews()) << "a 64-bit prefix keeps two views";
    const auto start = std::chrono::steady_clock::now();
    std::vector<Registration> all = RegistrationsOfBothViews();
    const std::vector<Found> found = MakeControlsOfProgIdClasses();
    ASSERT_FALSE(found.empty());
    const std::map<std::string, std::string> lines = LinesByClass();

    // Then the other view's registrations of the same classes, from there,
    // as talvenctl --view does: the last registration of each.
    std::vector<Found> removals = found;
    for (const Found& f : found) {
        const std::string progId = DefaultText("CLSID\\" + f.clsid + "\\ProgID", OtherView());
        if (!KeyExists("CLSID\\" + f.clsid, OtherView()))
            continue;
        removals.push_back(
            {f.clsid, OtherView(), progId, DefaultText("CLSID\\" + f.clsid + "\\Typelib", OtherView()), false});
        // A control there too, as talvenctl --view lists it.
        MakeControl(f.clsid, OtherView());
    }
    const Scope otherView = {kShownStore, OtherView()};
    const std::map<std::string, std::string> otherLines = LinesByClass(otherView);

    const std::vector<std::string> before = SnapshotAll();
    std::vector<std::string> allowed;
    int removed = 0;
    int ownProgIds = 0;
    int progIdsKept = 0;
    int librariesKept = 0;
    int ownPasses = 0;
    // The first few removals that have a library to decide on make the
    // removal's own pass over both views; the rest ask one census of the
    // whole run, as talvenctl does.
    Census census;
    ASSERT_EQ(TakeCensus(kShownScope, &census), ERROR_SUCCESS);
    WatchNotes asking = {};
    asking.census = &census;
    for (Found f : removals) {
        SCOPED_TRACE(f.clsid + " in view " + std::to_string(f.view) + " ProgID " + f.progId + " Typelib " +
                     f.typeLib);
        const std::string classPath = "CLSID\\" + f.clsid;
        if (f.view != 0) {
            // What the first round left decides whether it is its own now.
            f.ownProgId = !f.progId.empty() && OwnProgId(f.clsid, f.progId);
            census.working = f.view;
        }
        const Scope scope = f.view != 0 ? otherView : kShownScope;
        const std::string libraryTree = "TypeLib\\" + f.typeLib;
        const bool library = IsLibraryIdentifier(f.typeLib) && KeyExists(libraryTree);
        const std::vector<std::string> named =
            f.ownProgId || f.progId.empty() ? std::vector<std::string>() : SnapshotTree(f.progId);
        for (Registration& r : all)
            r.removed = r.removed || (r.view == f.view && SameText(r.clsid, f.clsid));
        char room[kLineRoom];
        std::strcpy(room, (f.view == 0 ? lines : otherLines).at(f.clsid).c_str());
        const bool ownPass = library && ownPasses < 8;
        ownPasses += ownPass;
        RemovalWatch watch = {};
        if (!ownPass)
            watch = NotingWatch(&asking);
        const ResultCode result = RemoveControlReporting(room, scope, watch);
        ForgetClass(&census, f.clsid, kMachineStore);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(KeyExists(classPath, f.view));
        removed += result == 0 && !KeyExists(classPath, f.view);
        allowed.push_back(AsIn64BitView(classPath, f.view));
        if (f.ownProgId && OtherViewNamesProgId(all, f)) {
            ++progIdsKept;
            EXPECT_TRUE(KeyExists(f.progId)) << "still named by the other view, yet gone";
        } else if (f.ownProgId) {
            ++ownProgIds;
            EXPECT_FALSE(KeyExists(f.progId));
            allowed.push_back(f.progId);
        } else if (!f.progId.empty()) {
            // Less the class itself, where the key named holds it ("CLSID").
            EXPECT_EQ(SnapshotTree(f.progId), WithoutTrees(named, {classPath})) << "not its own, yet changed";
        }
        if (library && LibraryStillNamed(all, f.typeLib)) {
            ++librariesKept;
            EXPECT_TRUE(KeyExists(libraryTree)) << "still named, yet gone";
        } else if (library) {
            EXPECT_FALSE(KeyExists(libraryTree));
            allowed.push_back(libraryTree);
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
    std::printf("removed %d of %zu classes naming a ProgID in the %d-bit view, then %zu of the same in the other: "
                "%d ProgID trees of their own went, %d stayed for the other view's registration; %d libraries "
                "stayed for other class keys (%d removals made their own pass); %.1f s\n",
                removed - static_cast<int>(removals.size() - found.size()), found.size(),
                static_cast<int>(sizeof(void*) * 8), removals.size() - found.size(), ownProgIds, progIdsKept,
                librariesKept, ownPasses, seconds);
    EXPECT_EQ(removed, static_cast<int>(removals.size()));
    EXPECT_GT(ownProgIds, 0);
    EXPECT_GT(progIdsKept, 0);
    EXPECT_GT(librariesKept, 0);
}

}  // namespace real_registry_test
