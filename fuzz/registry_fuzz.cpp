// Turns its input into a registry in the host's key store, lists the
// controls, then removes each listed control in turn, checking after every
// step: lines within their room and with two TABs, nothing deleted outside
// the trees the layout made the removed registration's own (never what its
// values merely name), nothing deleted of the other class store than the
// one the layout laid the removed registration in (the user's where it laid
// a user's copy of the class, which is the one the merged view shows),
// nothing deleted that another registration still names (a library another
// class key of either store and view names, a ProgID the class's key in the
// other view of its store names), a failed removal keeping the class key,
// a refusal for a changed registration never leaving the line as it was,
// and no handle left open. Half the removals meet another program on the
// way: before a call the input chooses, a key of the control's own trees is
// renamed away and a link to a key outside them put in its place; nothing
// outside the trees (and the key renamed, which is theirs) may go then
// either.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "controls.h"
#include "keystore.h"
#include "random_registry.h"
#include "registry_fixture.h"

namespace {

const uint8_t* g_input = nullptr;
size_t g_inputSize = 0;

// Reports the failure with the registry as the input laid it out, before
// any removal, and the trees it made each class's own.
void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "FAILED: %s: %s\nregistry as laid out:\n", what, detail.c_str());
    const OwnTrees own = LayRegistryFromBytes(g_input, g_inputSize);
    for (const std::string& line : keystore::Dump())
        std::fprintf(stderr, "  %s\n", line.c_str());
    for (const auto& entry : own) {
        std::fprintf(stderr, "own trees of %s:", entry.first.c_str());
        for (const std::string& tree : entry.second)
            std::fprintf(stderr, " %s", tree.c_str());
        std::fprintf(stderr, "\n");
    }
    std::abort();
}

// The trees a removal of the control with this CLSID text may delete: those
// the layout made its own, whatever its values name now.
std::vector<std::string> AllowedTrees(const OwnTrees& own, const std::string& clsid)
{
    std::string folded = clsid;
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto found = own.find(folded);
    return found == own.end() ? std::vector<std::string>() : found->second;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A key's default value as the text a class's value names, read from the
// store as it is (followed through links, as any reader would): REG_SZ up
// to its first NUL, in lower case; empty for anything else.
std::string NamedText(const std::string& path)
{
    DWORD type = 0;
    std::string data;
    if (!keystore::GetDefault(path, &type, &data, KEY_WOW64_64KEY) || type != REG_SZ)
        return std::string();
    return Lower(data.substr(0, data.find('\0')));
}

const std::string kUser = keystore::kUserClasses;

// The store a path of the dump lies in, and the path from that store's root.
bool InUserStore(const std::string& path, std::string* rest)
{
    const bool user = InsideTree(path, kUser.substr(0, kUser.size() - 1));
    *rest = user ? path.substr(kUser.size()) : path;
    return user;
}

// Every class key of both stores and views as the store holds them:
// "CLSID\name" and "Wow6432Node\CLSID\name", the user's with its prefix.
std::vector<std::string> ClassKeys()
{
    std::vector<std::string> keys;
    for (const std::string& line : keystore::Dump()) {
        const std::string path = line.substr(0, std::min(line.find(" = "), line.find(" -> ")));
        for (const std::string& root : {std::string("CLSID\\"), std::string("Wow6432Node\\CLSID\\"),
                                        kUser + "CLSID\\", kUser + "Wow6432Node\\CLSID\\"}) {
            const std::string& prefix = root;
            if (path.compare(0, prefix.size(), prefix) == 0 && path.find('\\', prefix.size()) == std::string::npos)
                keys.push_back(path);
        }
    }
    return keys;
}

// What the removal of the class at classPath deleted that another
// registration still used: a library some other class key of either view
// names in its "Typelib" value, or a ProgID the class's key in the other
// view names. Said from the store before the removal, not by talven's rules.
// The class key renamed by a race (moved) is the class itself.
std::string TakenFromOthers(const std::set<std::string>& before, const std::set<std::string>& after,
                            const std::string& classPath, const std::string& otherClassPath,
                            const std::string& moved)
{
    for (const std::string& path : before) {
        if (after.count(path) != 0)
            continue;
        std::string rest;
        InUserStore(path, &rest);
        const std::string lower = Lower(rest);
        if (lower.compare(0, 8, "typelib\\") == 0 && lower.find('\\', 8) == std::string::npos) {
            const std::string library = lower.substr(8);
            for (const std::string& user : ClassKeys()) {
                if (Lower(user) != Lower(classPath) && Lower(user) != Lower(moved) && after.count(user) != 0 &&
                    NamedText(user + "\\Typelib") == library)
                    return path + ", still named by " + user;
            }
        }
        if (rest.find('\\') == std::string::npos && !otherClassPath.empty() &&
            NamedText(otherClassPath + "\\ProgID") == lower)
            return path + ", still named by " + otherClassPath;
    }
    return std::string();
}

// Whether a registration builds the line: a "Control" key, a server key
// whose default value is the line's server path, and a class key whose
// default value begins with the line's display name. Said from the values
// as laid, not by talven's rules; unsure where a value is not plain ASCII,
// which the code page may change.
enum class Builds { kNo, kYes, kUnsure };

Builds BuildsLine(bool control, const std::string& serverKey, const std::string& classKey, const std::string& line)
{
    const std::string name = line.substr(0, line.find('\t'));
    const std::string server = line.substr(line.rfind('\t') + 1);
    DWORD type = 0;
    std::string data;
    std::string display;
    if (!control || !keystore::GetDefault(serverKey, &type, &data, KEY_WOW64_64KEY) || type != REG_SZ ||
        !keystore::GetDefault(classKey, &type, &display, KEY_WOW64_64KEY) || type != REG_SZ)
        return Builds::kNo;
    data = data.substr(0, data.find('\0'));
    display = display.substr(0, display.find('\0'));
    for (const char c : data + display) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return Builds::kUnsure;
    }
    // A display name too long for the line is shortened in it, which then
    // fills its room.
    const bool sameName = display == name || (line.size() == 1023 && display.compare(0, name.size(), name) == 0);
    return data == server && sameName ? Builds::kYes : Builds::kNo;
}

// One store's own copy of the class, a control there by itself.
Builds StoreBuildsLine(const std::string& classPath, const std::string& line)
{
    return BuildsLine(keystore::Exists(classPath + "\\Control", KEY_WOW64_64KEY), classPath + "\\InprocServer32",
                      classPath, line);
}

// Windows' merged view of the class where the user's store holds a copy:
// that copy's own values, its "Control" and server where it has them, the
// machine's where it has not.
Builds ViewBuildsLine(const std::string& userClass, const std::string& machineClass, const std::string& line)
{
    const std::string userServer = userClass + "\\InprocServer32";
    return BuildsLine(keystore::Exists(userClass + "\\Control", KEY_WOW64_64KEY) ||
                          keystore::Exists(machineClass + "\\Control", KEY_WOW64_64KEY),
                      keystore::Exists(userServer, KEY_WOW64_64KEY) ? userServer : machineClass + "\\InprocServer32",
                      userClass, line);
}

// Whether the line holds a character cut short: in a double-byte code page
// a lead byte whose second byte is a TAB or the end (stepping by characters
// would read the TAB into it), in UTF-8 a sequence that does not hold.
// Said by the code page's own bytes, not by talven's stepping.
bool CutInsideACharacter(const std::string& line)
{
    for (size_t at = 0; at < line.size();) {
        const unsigned char byte = static_cast<unsigned char>(line[at]);
        if (GetACP() == CP_UTF8) {
            const size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
            if (length == 0 || at + length > line.size())
                return true;
            for (size_t i = 1; i < length; ++i) {
                if ((static_cast<unsigned char>(line[at + i]) & 0xC0) != 0x80)
                    return true;
            }
            at += length;
        } else if (IsDBCSLeadByte(byte)) {
            if (at + 1 >= line.size() || line[at + 1] == '\t')
                return true;
            at += 2;
        } else {
            ++at;
        }
    }
    return false;
}

// The input's own choices for the race at each removal, apart from the
// layout's: a hash of the input and the line's number.
uint32_t Choice(size_t line, uint32_t salt)
{
    uint32_t hash = 2166136261u ^ salt;
    for (size_t i = 0; i < g_inputSize; ++i)
        hash = (hash ^ g_input[i]) * 16777619u;
    return (hash ^ static_cast<uint32_t>(line)) * 2654435761u;
}

constexpr char kVictim[] = "FuzzVictim\\Leaf";

// Another program's swap: the key renamed away (to the path given back,
// empty where there was no key to rename) and a link to the victim in its
// place.
std::string Swap(const std::string& key)
{
    const std::string name = key.substr(key.rfind('\\') + 1);
    const std::string moved = key.substr(0, key.size() - name.size()) + name + ".moved";
    if (!keystore::RenameKey(key, name + ".moved", KEY_WOW64_64KEY))
        return std::string();
    keystore::CreateLink(key, kVictim, KEY_WOW64_64KEY);
    return moved;
}

// Paths after a race as they were named before it: what lies below the key
// it renamed is named again from where it was, so that a key moved is not
// taken for one deleted.
std::set<std::string> NamedAsBefore(const std::set<std::string>& after, const std::string& swapped,
                                    const std::string& moved)
{
    if (moved.empty())
        return after;
    std::set<std::string> named;
    for (const std::string& path : after)
        named.insert(InsideTree(path, moved) ? swapped + path.substr(moved.size()) : path);
    return named;
}

std::set<std::string> Paths()
{
    std::set<std::string> paths;
    for (const std::string& line : keystore::Dump())
        paths.insert(line.substr(0, std::min(line.find(" = "), line.find(" -> "))));
    return paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_input = data;
    g_inputSize = size;
    const OwnTrees own = LayRegistryFromBytes(data, size);

    keystore::CreateKey(kVictim, KEY_WOW64_64KEY);
    const std::set<std::string> beforeScan = Paths();
    const std::vector<std::string> lines = ListControls();
    if (keystore::OpenHandleCount() != 0)
        Fail("scan left handles open", std::to_string(keystore::OpenHandleCount()));
    if (Paths() != beforeScan)
        Fail("scan changed the registry", "");

    for (size_t number = 0; number < lines.size(); ++number) {
        const std::string& line = lines[number];
        const size_t first = line.find('\t');
        const size_t last = line.rfind('\t');
        if (line.size() > 1023 || first == std::string::npos || first == last)
            Fail("bad line", line);
        if (CutInsideACharacter(line))
            Fail("line cut inside a character", line);

        const std::string clsid = line.substr(first + 1, last - first - 1);
        const std::set<std::string> before = Paths();
        // This program's view is the 32-bit one where there are two.
        BOOL two = FALSE;
        IsWow64Process(GetCurrentProcess(), &two);
        const std::string ownClass = (two ? "Wow6432Node\\CLSID\\" : "CLSID\\") + clsid;
        // The registration removed is the one that builds the line: the
        // user's where its own copy of the class does, else the machine's,
        // and the user's copy where only the view builds it, from both.
        // Where the oracle cannot be sure, the store the removal deleted
        // from is taken, and everything else is judged as ever.
        Builds userBuilds = clsid.empty() ? Builds::kNo : StoreBuildsLine(kUser + ownClass, line);
        if (userBuilds == Builds::kNo && !clsid.empty() && keystore::Exists(kUser + ownClass, KEY_WOW64_64KEY)) {
            const Builds machineBuilds = StoreBuildsLine(ownClass, line);
            const Builds viewBuilds =
                machineBuilds == Builds::kYes ? Builds::kNo : ViewBuildsLine(kUser + ownClass, ownClass, line);
            if (viewBuilds != Builds::kNo)
                userBuilds = viewBuilds == Builds::kYes && machineBuilds == Builds::kNo ? Builds::kYes : Builds::kUnsure;
        }
        const bool existed[2] = {!clsid.empty() && keystore::Exists(ownClass, KEY_WOW64_64KEY),
                                 !clsid.empty() && keystore::Exists(kUser + ownClass, KEY_WOW64_64KEY)};
        // The race, half the time: a key of the trees the layout made this
        // class's own in either store, swapped before a call of the removal.
        std::vector<std::string> ownKeys;
        for (const char* prefix : {"", "user:"}) {
            for (const std::string& tree : AllowedTrees(own, prefix + clsid)) {
                for (const std::string& path : before)
                    if (InsideTree(path, tree))
                        ownKeys.push_back(path);
            }
        }
        std::string swapped;
        std::string moved;
        if (!ownKeys.empty() && Choice(number, 1) % 2 == 0) {
            swapped = ownKeys[Choice(number, 2) % ownKeys.size()];
            keystore::BeforeCall(1 + static_cast<long>(Choice(number, 3) % 400), [&] { moved = Swap(swapped); });
        }
        char room[kLineRoom];
        std::memcpy(room, line.c_str(), line.size() + 1);
        const ResultCode result = RemoveControl(room);
        keystore::BeforeCall(0, nullptr);
        const std::set<std::string> after = NamedAsBefore(Paths(), swapped, moved);
        bool user = userBuilds == Builds::kYes;
        if (userBuilds == Builds::kUnsure) {
            std::string rest;
            for (const std::string& path : before)
                user = user || (after.count(path) == 0 && InUserStore(path, &rest));
        }
        const std::string store = user ? kUser : "";
        const std::string classPath = store + ownClass;
        const std::vector<std::string> allowed = AllowedTrees(own, (user ? "user:" : "") + clsid);
        const bool classExisted = existed[user ? 1 : 0];

        if (keystore::OpenHandleCount() != 0)
            Fail("removal left handles open", line);
        if (keystore::DeletionsThroughClassesRoot() != 0)
            Fail("removal deleted through HKEY_CLASSES_ROOT", line);
        for (const std::string& path : before) {
            if (after.count(path) != 0)
                continue;
            std::string rest;
            if (InUserStore(path, &rest) != user)
                Fail("removal deleted a key of the other store", path + " for " + line);
            bool inside = false;
            for (const std::string& tree : allowed)
                inside = inside || InsideTree(path, tree);
            if (!inside)
                Fail("removal deleted a key of no tree of its control", path + " for " + line);
        }
        const std::string taken =
            TakenFromOthers(before, after, classPath, two ? store + "CLSID\\" + clsid : "", moved);
        if (!taken.empty())
            Fail("removal deleted what another registration still uses", taken + " for " + line);
        if (result != 0 && classExisted && moved.empty() && !keystore::Exists(classPath, KEY_WOW64_64KEY))
            Fail("failed removal deleted the class key", line);
        if (!moved.empty() && result == 0 && keystore::Exists(swapped, KEY_WOW64_64KEY) &&
            InsideTree(swapped, classPath))
            Fail("removal met a link in its class tree and said nothing", swapped + " for " + line);
        // A refusal for a registration that is not the one listed leaves a
        // line the user can get past: the view shows another, or none.
        char shown[kLineRoom];
        if (result == kRegistrationChanged && moved.empty() &&
            ShownControlLine(kShownScope, line.c_str(), shown) == ERROR_SUCCESS && line == shown)
            Fail("refused as changed, the line shows unchanged", line);
        if (result == 1 && after != before)
            Fail("removal refused the line but deleted keys", line);
    }
    return 0;
}
