// One way for tests to lay out a registry and look at it afterwards, the same
// on the host's stand-in key store and on a real registry under Windows/Wine.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "controls.h"
#include <windows.h>

// A key to lay out: its path in the machine's class store (as
// HKEY_CLASSES_ROOT names it where the user's store holds no copy), or in
// the user's with kUserPath before it; and, when type is not kNoValue, its
// default value stored byte for byte; in the registry view that view flags,
// or 0 for the program's own.
struct KeyDef {
    std::string path;
    DWORD type;
    std::string data;
    REGSAM view = 0;
};

constexpr DWORD kNoValue = 0xFFFFFFFFu;

// Paths that begin so name keys of the user's class store,
// HKEY_CURRENT_USER\Software\Classes; a snapshot names them so too.
const std::string kUserPath = "HKCU\\Software\\Classes\\";

// A key with no default value.
KeyDef Key(const std::string& path);
// A key whose default value is REG_SZ text, stored with its NUL.
KeyDef Text(const std::string& path, const std::string& text);
// A key whose default value has the given type and exact bytes.
KeyDef Raw(const std::string& path, DWORD type, const std::string& bytes);
// A symbolic link at path to the key at target, which must be laid out
// before it. A snapshot shows it as "path -> target", never what is beyond.
KeyDef Link(const std::string& path, const std::string& target);

// The keys, each laid out in the view that flag names.
std::vector<KeyDef> InView(REGSAM view, std::vector<KeyDef> keys);
// The keys, each laid out in the user's store.
std::vector<KeyDef> InUserStore(std::vector<KeyDef> keys);

// The flag of the registry view that is not the program's own: on the
// host, which stands in for a 32-bit program, the 64-bit view.
REGSAM OtherView();
// Whether the machine keeps two registry views: under Wine, whether the
// prefix is a 64-bit one; on the host, as LayViews made it.
bool HasTwoViews();
// Lays out the class stores of both views, empty and apart, as 64-bit
// Windows keeps them; on the host, two chooses between that and a machine
// of one view, while Wine's prefix is what it is.
void LayViews(bool two);

// Removes everything earlier tests laid out (and, on a fresh Wine prefix,
// the classes Wine registers itself), leaving "CLSID" absent and the
// user's store empty.
void ResetRegistry();
void Lay(const std::vector<KeyDef>& keys);
// Makes the key refuse every open that asks for more than KEY_READ.
void DenyWrite(const std::string& path);
// Lays the keys out, then makes each of the denied ones refuse write access.
void LayDenying(const std::vector<KeyDef>& keys, const std::vector<std::string>& denied);

bool KeyExists(const std::string& path, REGSAM view = 0);

// Every key of the parts, in order.
std::vector<KeyDef> Join(std::initializer_list<std::vector<KeyDef>> parts);

// The entry lines a scan delivers, in the order it delivers them, and its
// result where asked for; the dialog's scan, or the scope's.
std::vector<std::string> ListControls(ResultCode* result = nullptr);
std::vector<std::string> ListScopeControls(const Scope& scope);

// The entry line of each control the scan lists, by its class key's name;
// and the line of one class, or a line naming it that no registration
// builds, where it is not listed. A removal takes only a registration that
// builds the very line it is given.
std::map<std::string, std::string> LinesByClass(const Scope& scope = kShownScope);
std::string ListedLine(const std::string& clsid, const Scope& scope = kShownScope);

// What the logic answers a symbolic link with, and a path too deep for its
// 1024-byte room.
constexpr ResultCode kLinkRefused = ERROR_CANT_RESOLVE_FILENAME;
constexpr ResultCode kTooDeep = ERROR_FILENAME_EXCED_RANGE;

// True when path is tree or lies below it, without regard to case.
bool InsideTree(const std::string& path, const std::string& tree);

// Every key laid out, as "path" or "path = type:data", parents first.
std::vector<std::string> Snapshot();

#ifdef _WIN32
// The keys of one tree, likewise, and every key of the whole class store in
// both views, laid out here or not, as the 64-bit view names them: what a
// real registry holds besides the layout.
std::vector<std::string> SnapshotTree(const std::string& path);
std::vector<std::string> SnapshotAll();
#endif

// The snapshot without the keys inside the given trees (each a key path,
// matched without regard to case).
std::vector<std::string> WithoutTrees(const std::vector<std::string>& snapshot,
                                      const std::vector<std::string>& trees);

// Registry handles this process holds open, where the registry can tell;
// -1 where it cannot.
int OpenHandles();

// Deletions made through HKEY_CLASSES_ROOT, where the registry can tell
// (the stand-in counts them); 0 where it cannot.
long DeletionsThroughView();

// A registered control, laid out the usual way.
struct ControlDef {
    std::string clsid;     // key name under "CLSID"
    std::string name;      // display name
    std::string server;    // InprocServer32 path
    std::string progId;    // empty: no "ProgID" subkey
    std::string typeLib;   // empty: no "Typelib" subkey
};

std::vector<KeyDef> ControlKeys(const ControlDef& control);
std::string EntryLine(const ControlDef& control);
// What the details box shows of an entry line and its server file's state:
// each TAB a line break, the state on the last line.
std::string DetailsText(const std::string& line, const std::string& server);

// A deletion or removal case: the layout, the keys in it that refuse write
// access, the path or line to act on, the result, and the trees that must be
// gone with everything else left as it was.
struct TreeCase {
    std::string what;
    std::vector<KeyDef> layout;
    std::vector<std::string> denied;
    std::string input;
    ResultCode result;
    std::vector<std::string> gone;
};

void PrintTo(const TreeCase& c, std::ostream* os);

// Lays the case out and acts on its input; checks the result, that exactly
// its trees went and every other key and value stayed, that no handle was
// left open and that nothing was deleted through HKEY_CLASSES_ROOT.
void ExpectOnlyTreesGone(const TreeCase& c, ResultCode (*act)(const std::string& input));

// A test that starts from a cleared registry and clears up after itself.
template <typename Base = testing::Test>
class ClearedRegistry : public Base {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override { ResetRegistry(); }
};
