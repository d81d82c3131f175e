#include "random_registry.h"

#include <cctype>

#include "keystore.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    template <size_t N>
    const char* Pick(const char* const (&choices)[N]) { return choices[Byte() % N]; }
};

const char* const kClasses[] = {
    "{C0000000-0000-0000-0000-000000000000}", "{C1000000-0000-0000-0000-000000000001}",
    "{c1000000-0000-0000-0000-000000000001}", "{C2\tTAB}", "{C3}",
    "{4444444444444444444444444444444444444444444444}",   // 48 characters
    "{55555555555555555555555555555555555555555555555}",  // 49
    "{666666666666666666666666666666666666666666666666}", // 50
    "{C7-\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c}",  // Cyrillic
};
// Library identifiers, one of them twice in other case.
const char* const kLibs[] = {"{D0000000-0000-0000-0000-0000000000D0}", "{D1000000-0000-0000-0000-0000000000D1}",
                             "{d1000000-0000-0000-0000-0000000000d1}"};
// A class key, a library key and a ProgID that are themselves links.
const char kLinkedClass[] = "{CA000000-0000-0000-0000-0000000000CA}";
const char kLinkedLib[] = "{D9000000-0000-0000-0000-0000000000D9}";
const char kLinkedProgId[] = "Prog.Link.1";
// Each class's own ProgID, spelled as genuine ones are: with periods, none,
// spaces, underscores, past COM's 39 characters.
const char* const kProgIds[] = {
    "Prog.K0.1", "Prog K1", "Prog_K2.1", "ProgK3", "Prog..K4.", "1Prog.K5",
    "Prog.K6.AVeryLongProgrammaticIdentifier.1", "Prog-K7 {x}",
    "\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c.\xe7\xa4\xba.1",
};
static_assert(sizeof kProgIds / sizeof kProgIds[0] == sizeof kClasses / sizeof kClasses[0],
              "one ProgID for each class");
// Values a hostile "ProgID" or "Typelib" may hold: roots of the class store,
// paths, other classes' ProgIDs, links, things that are no identifier.
const char* const kNamed[] = {
    "", "\\", "CLSID", "TypeLib", "TYPELIB", "Interface", "AppID", "Prog.K0.1", "Prog K1", "prog k1", "ProgK3",
    "Prog.Missing.1", kLinkedProgId, "CLSID\\{C0000000-0000-0000-0000-000000000000}", "Prog.K0.1\\",
    "Component Categories", "*", ".ocx", "Wow6432Node",
    "\\Prog.K0.1", "{L0}", "{D0000000-0000-0000-0000-0000000000D0}\\1.0", kLinkedLib,
    "{D0000000-0000-0000-0000-0000000000D0}", "{d1000000-0000-0000-0000-0000000000d1}",
    "{D1000000-0000-0000-0000-0000000000D1", "{C0000000-0000-0000-0000-000000000000}",
    "{c1000000-0000-0000-0000-000000000001}", "{C2\tTAB}", "a\tb", "C:\\x\\y.ocx",
    // Values the code page changes: in 1252 a fullwidth stop, backslash or
    // braces read as their ASCII forms, a kanji as "?"; in 932 all exact.
    "Prog\xef\xbc\x8eK0.1", "CLSID\xef\xbc\xbc{C0000000-0000-0000-0000-000000000000}",
    "\xef\xbd\x9b" "D0000000-0000-0000-0000-0000000000D0\xef\xbd\x9d", "Prog\xe4\xb8\x80K0.1", "Prog?K0.1",
    // Scripts UTF-8 spells and 1252 does not: Cyrillic, a character outside
    // the Basic Multilingual Plane, and an unpaired surrogate, which no
    // code page spells.
    "\xd0\x9a\xd0\xb0\xd0\xbb\xd0\xb5\xd0\xbd\xd0\xb4\xd0\xb0\xd1\x80\xd1\x8c.\xe7\xa4\xba.1", "Prog.\xf0\x9f\x98\x80.1",
    "Prog\xed\xa0\x80K0.1", "Prog\xef\xbf\xbdK0.1",
};
// Names of keys inside a tree: plain, one that the code page changes into
// a path or into "?", and one spelt exactly in 932 whose bytes hold a "\\".
const char* const kSubkeys[] = {
    "\\Sub\\Deeper", "\\Sub\xef\xbc\xbc" "Deeper", "\\\xe4\xb8\x80", "\\?", "\\\xe8\xa1\xa8\xe7\xa4\xba",
    "\\\xd0\x9a\xd0\xb0\xd0\xbb", "\\\xf0\x9f\x98\x80", "\\Sub\xed\xa0\x80", "\\Sub\xef\xbf\xbd",
};
// Keys under which a "CLSID" subkey may be forged to name some class: roots
// (some of them holding nothing else), paths, extensions, never a ProgID.
const char* const kForgeable[] = {
    "CLSID", "TypeLib", "Interface", "AppID", "Component Categories", "*", ".ocx", "Wow6432Node",
    "CLSID\\{C0000000-0000-0000-0000-000000000000}",
    "TypeLib\\{D0000000-0000-0000-0000-0000000000D0}", "Interface\\{C3}",
};
// Where links lead: roots, other registrations, back into the same trees,
// nowhere, and the root of the class store itself.
const char* const kTargets[] = {
    "CLSID", "TypeLib", "Interface", "CLSID\\{C0000000-0000-0000-0000-000000000000}",
    "CLSID\\{C1000000-0000-0000-0000-000000000001}", "CLSID\\{C3}", "Prog.K0.1", "Prog K1",
    "TypeLib\\{D0000000-0000-0000-0000-0000000000D0}", "TypeLib\\{D1000000-0000-0000-0000-0000000000D1}",
    "Interface\\{C3}", "Nowhere", "",
};
const size_t kLengths[] = {0, 1, 48, 49, 50, 51, 258, 259, 260, 261, 1010, 1022, 1023, 1024, 1025};

// The store the keys of one step go to: "" for the machine's, the user's
// prefix for the user's, where its keys of the same names hide the
// machine's through HKEY_CLASSES_ROOT.
std::string g_store;

std::string Own(const std::string& name)
{
    return g_store.empty() ? name : "user:" + name;
}

bool SetDefault(const std::string& path, DWORD type, const std::string& data, REGSAM view = 0)
{
    return keystore::SetDefault(g_store + path, type, data, view);
}

bool CreateKey(const std::string& path, REGSAM view = 0)
{
    return keystore::CreateKey(g_store + path, view);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The class's ProgID as laid out for it: the same for names that differ in
// case only, since they are one key.
std::string ProgIdOf(const std::string& cls)
{
    for (size_t i = 0; i < sizeof kClasses / sizeof kClasses[0]; ++i) {
        if (Lower(kClasses[i]) == Lower(cls))
            return kProgIds[i];
    }
    return "Prog.Kx.1";
}

// True when text names one of the layout's libraries.
bool IsLibrary(const std::string& text)
{
    for (const char* lib : kLibs) {
        if (Lower(text) == Lower(lib))
            return true;
    }
    return Lower(text) == Lower(kLinkedLib);
}

// The name in its own case or in lower case: the registry matches either.
std::string Either(Input& in, const std::string& name)
{
    return in.Byte() % 2 ? Lower(name) : name;
}

// A value: one of the names that matter, or a run of characters of a length
// around some room's limit, in bytes as UTF-8 spells them: some of them
// characters of two, three and four bytes, so that a room's last byte may
// fall inside one.
std::string Text(Input& in)
{
    const uint8_t how = in.Byte();
    if (how % 3 != 0)
        return in.Pick(kNamed);
    const size_t length = kLengths[in.Byte() % (sizeof kLengths / sizeof kLengths[0])];
    static const char* const kAlphabet[] = {"a", "Z", "\t", "\\", ".", "{", "}", "0",
                                            "\xd0\x96", "\xe7\xa4\xba", "\xf0\x9f\x98\x80"};
    const size_t letters = sizeof kAlphabet / sizeof kAlphabet[0];
    const uint8_t mix = in.Byte();
    const bool wide = in.Byte() % 2 != 0;
    std::string text;
    for (size_t i = 0; text.size() < length; ++i) {
        const std::string letter = kAlphabet[(mix * (i + 1) / 7) % (wide ? letters : 8)];
        text += text.size() + letter.size() <= length ? letter : std::string(length - text.size(), 'x');
    }
    return text;
}

void SetValue(Input& in, const std::string& path, const std::string& text, REGSAM view = 0)
{
    const uint8_t how = in.Byte();
    const DWORD types[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD};
    const DWORD type = types[how % 6];
    std::string data = text;
    if ((how & 0x40) == 0)
        data += '\0';  // else stored without its NUL
    SetDefault(path, type, data, view);
}

void SetText(const std::string& path, const std::string& text, REGSAM view = 0)
{
    SetDefault(path, REG_SZ, text + '\0', view);
}

// The ProgID registered for the class, named from the class, naming it back.
void LayProgId(Input& in, const std::string& cls, const std::string& name, OwnTrees* own, REGSAM view)
{
    const std::string progId = ProgIdOf(name);
    SetText(cls + "\\ProgID", Either(in, progId), view);
    SetText(progId, "control");
    SetText(progId + "\\CLSID", Either(in, name));
    if (in.Byte() % 2)
        SetText(progId + "\\shell\\open\\command", "x.exe");
    (*own)[Own(Lower(name))].push_back(g_store + progId);
}

// A library the class is registered with; other classes may share it.
void LayLibrary(Input& in, const std::string& cls, const std::string& name, OwnTrees* own, REGSAM view)
{
    const std::string lib = in.Pick(kLibs);
    SetText(cls + "\\Typelib", Either(in, lib), view);
    const std::string tree = std::string("TypeLib\\") + lib;
    SetText(tree + (in.Byte() % 2 ? "\\1.0\\0\\win32" : "\\2.0\\9\\win64"), "x.ocx");
    if (in.Byte() % 2)
        SetText(tree + "\\1.0\\FLAGS", "0");
    (*own)[Own(Lower(name))].push_back(g_store + tree);
}

// A link somewhere in or at the top of a registration, to somewhere else.
void LayLink(Input& in, const std::string& cls, const std::string& name, OwnTrees* own, bool two)
{
    std::string path;
    switch (in.Byte() % 9) {
    case 0: path = cls + "\\Lnk"; break;
    case 1: path = cls + "\\Sub\\Lnk"; break;
    case 2: path = ProgIdOf(name) + "\\Lnk"; break;
    case 3: path = std::string("TypeLib\\") + in.Pick(kLibs) + "\\1.0\\Lnk"; break;
    case 4: path = kLinkedProgId; break;
    case 5: path = std::string("TypeLib\\") + kLinkedLib; break;
    // A store's own top keys, where a path's every name leads through.
    case 6: path = "TypeLib"; break;
    case 7: path = "CLSID"; break;
    default:
        path = std::string("CLSID\\") + kLinkedClass;
        (*own)[Own(Lower(kLinkedClass))] = {g_store + (two ? "Wow6432Node\\" + path : path)};
        break;
    }
    // Into the other store now and then.
    const std::string target = in.Pick(kTargets);
    keystore::CreateLink(g_store + path, in.Byte() % 4 == 0 ? std::string(keystore::kUserClasses) + target : target);
}

// A path of a few long names, to run past the 1024-byte room.
void LayLongPath(Input& in, const std::string& top)
{
    std::string path = top;
    const int levels = 3 + in.Byte() % 4;
    for (int i = 0; i < levels; ++i)
        path += "\\" + std::string(200 + in.Byte() % 60, static_cast<char>('a' + i));
    CreateKey(path);
}

void Build(Input& in, OwnTrees* own)
{
    keystore::Clear();
    g_store.clear();
    // Half the registries are a 64-bit machine's, of two views kept apart,
    // this program's the 32-bit one: a class laid out in the other is there
    // under the same name with its own values, and shares the ProgIDs and
    // libraries. Half have a user's store too, whose keys of any kind lie
    // over the machine's of the same names.
    const uint8_t first = in.Byte();
    const bool two = (first & 0x80) != 0;
    const bool users = (first & 0x40) != 0;
    // Some in code page 932, where a character's second byte may be "\\",
    // some in UTF-8, which spells every name but an unpaired surrogate.
    if ((first & 0x20) != 0)
        keystore::SetCodePage(keystore::CodePage::k932);
    else if ((first & 0x10) != 0)
        keystore::SetCodePage(keystore::CodePage::k65001);
    if (two) {
        keystore::SetViews(keystore::Views::kTwoFrom32);
        keystore::CreateKey("Wow6432Node\\CLSID", KEY_WOW64_64KEY);
        keystore::CreateKey("TypeLib", KEY_WOW64_64KEY);
        keystore::CreateLink("Wow6432Node\\TypeLib", "TypeLib", KEY_WOW64_64KEY);
        if (users)
            keystore::CreateKey(std::string(keystore::kUserClasses) + "Wow6432Node\\CLSID", KEY_WOW64_64KEY);
    }
    if (first % 8 != 0)
        keystore::CreateKey("CLSID");
    std::vector<std::string> laid;
    for (int op = 0; op < 80 && in.More(); ++op) {
        g_store = users && in.Byte() % 3 == 0 ? keystore::kUserClasses : "";
        const std::string name = in.Pick(kClasses);
        const std::string cls = "CLSID\\" + name;
        const uint8_t which = in.Byte();
        const REGSAM view = two && (which & 0x80) != 0 ? static_cast<REGSAM>(KEY_WOW64_64KEY) : 0;
        // The other view's class tree is no removal's here: only this view's
        // controls are listed.
        if (view == 0)
            (*own)[Own(Lower(name))].push_back(g_store + (two ? "Wow6432Node\\" + cls : cls));
        std::string path;
        // The parts every control has come up twice as often as the rest.
        switch (which % 19) {
        case 0: case 14: path = cls; SetValue(in, path, Text(in), view); break;
        case 1: case 15: path = cls + "\\Control"; CreateKey(path, view); break;
        case 2: case 16: path = cls + "\\InprocServer32"; SetValue(in, path, Text(in), view); break;
        case 3: LayProgId(in, cls, name, own, view); break;
        case 4: LayLibrary(in, cls, name, own, view); break;
        case 5: path = cls + "\\ProgID"; SetValue(in, path, Text(in), view); break;
        case 6: {
            // A value naming one of the layout's libraries registers the
            // class with it, as controls of one server share one library.
            path = cls + "\\Typelib";
            const std::string value = Text(in);
            SetValue(in, path, value, view);
            if (IsLibrary(value))
                (*own)[Own(Lower(name))].push_back(g_store + "TypeLib\\" + value);
            break;
        }
        case 7: path = std::string(in.Pick(kForgeable)) + "\\CLSID"; SetText(path, Either(in, in.Pick(kClasses))); break;
        case 8: LayLink(in, cls, name, own, two); break;
        case 9: LayLink(in, cls, name, own, two); break;
        case 10: path = cls + in.Pick(kSubkeys); CreateKey(path, view); break;
        case 11: path = std::string("Interface\\") + in.Pick(kClasses); CreateKey(path); break;
        case 12: LayLongPath(in, in.Byte() % 2 ? cls : ProgIdOf(name)); break;
        case 13: path = ProgIdOf(name); SetValue(in, path, Text(in)); break;
        case 17: {
            // The whole forgery at once: the ProgID names a root, and a
            // "CLSID" subkey there names the class back.
            const std::string root = in.Pick(kForgeable);
            SetText(cls + "\\ProgID", root, view);
            SetText(root + "\\CLSID", Either(in, name));
            break;
        }
        default:
            if (!laid.empty()) {
                const std::string& target = laid[in.Byte() % laid.size()];
                keystore::SetAccess(target, in.Byte() % 2 ? keystore::Access::kReadOnly
                                                          : keystore::Access::kNoDelete);
            }
            break;
        }
        if (!path.empty() && view == 0)
            laid.push_back(g_store + path);
    }
}

}  // namespace

OwnTrees LayRegistryFromBytes(const uint8_t* data, size_t size)
{
    Input in = {data, size, 0};
    OwnTrees own;
    Build(in, &own);
    return own;
}
