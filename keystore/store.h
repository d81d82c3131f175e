// Inside the stand-in key store: the tree of keys and how paths reach them,
// shared by its registry operations, its views and its control for tests.
#pragma once

#include <memory_resource>
#include <string>
#include <unordered_map>
#include <vector>

#include "keystore.h"

namespace keystore::internal {

// Keys, their names, values and child lists all come from one arena, in the
// order they are made; a scan walks them in about that order, so its cost
// per key stays the same however large the registry grows.
using Text = std::pmr::string;

struct Key {
    explicit Key(std::pmr::memory_resource* arena) : name(arena), children(arena), data(arena), target(arena) {}
    Text name;
    Key* parent = nullptr;
    std::pmr::vector<Key*> children;  // in case-blind order of name, for enumeration by index
    // By case-folded name, made only for a key with many children, to open
    // one in constant time.
    std::pmr::unordered_map<Text, Key*>* byName = nullptr;
    bool hasValue = false;
    DWORD type = REG_NONE;
    Text data;
    bool link = false;
    Text target;  // a link's target, as a path from the root
    Access access = Access::kFull;
    bool deleted = false;
    size_t lastEnumerated = 0;  // where a scan most likely opens next
};

char Fold(char c);
// The two class stores: the machine's, HKEY_LOCAL_MACHINE\Software\Classes,
// whose paths are named from it as they always were, and the user's,
// HKEY_CURRENT_USER\Software\Classes, named with kUserClasses before them;
// and the tops of the two hives that hold them.
Key* Root();
Key* UserRoot();
Key* MachineTop();
Key* UserTop();
bool IsStoreRoot(const Key* key);
// Whether the key lies in the machine's hive.
bool InMachineHive(const Key* key);
// Forgets every key; the arena that holds them goes with them.
void ClearTree();
// Counts every change to the tree, so that what was read of it can tell
// whether it still holds.
long TreeGeneration();

void AddChild(Key* key, Key* child);
void RemoveChild(Key* key, Key* child);
Key* FindNamedChild(Key* key, const char* name, size_t size);
// Makes a key of that name under parent.
Key* NewChild(Key* parent, const std::string& name);

std::vector<std::string> SplitPath(const char* path);
std::string PathOf(const Key* key);

// Where a path that may name the user's store begins: that store's root
// with the rest of the path, or the machine's store with the whole path.
Key* StartOf(const char* path, const char** rest);

// Replaces a link by the key it names, link after link.
LONG Follow(Key** key, int* hops);
// Follows a path from the key, skipping empty names as Wine does, and every
// link on the way; the last key stays the link itself when openLink asks.
LONG Walk(Key* from, const char* path, bool openLink, Key** found);
// Makes every missing key of the path below from, through links as the
// registry does; the last name is left as it is when it is a link and
// keepLink is set. Null where a link on the way leads nowhere.
Key* CreatePath(Key* from, const char* path, bool keepLink);

// Where a path from a store's root begins in the view that access names:
// the 32-bit view reads a name at the top from "Wow6432Node" where that
// holds the name, as the platform redirects "CLSID" and "Interface";
// elsewhere, and on a machine of one view, from the root.
Key* ViewStart(Key* from, const char* path, REGSAM access);
// Whether the store stands in for a machine of two views.
bool TwoViews();

// Text as the 8-bit calls give and take it, in the code page in use, and
// as the wide calls do; stored text is UTF-8. ToAnsi notes where it had to
// write the default character, and uses the best-fit ones only when asked.
// The code page in use.
extern CodePage g_page;
std::string FromAnsi(const char* text, size_t size);
std::string ToAnsi(const std::string& stored, bool bestFit, bool* usedDefault);
std::wstring ToWide(const std::string& stored);
// Appends one character, as the registry keeps it, to stored text.
void AppendStored(std::string* stored, char32_t c);

// The calls' own state (handles, counts, the failure to inject, what was
// deleted), emptied by Clear.
void ClearCalls();

}  // namespace keystore::internal
