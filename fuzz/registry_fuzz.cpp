// Turns its input into a registry in the host's key store, lists the
// controls, then removes each listed control in turn, checking after every
// step: lines within their room and with two TABs, nothing deleted outside
// the removed control's own trees, a failed removal keeping the class key,
// and no handle left open.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "controls.h"
#include "key_store.h"

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
    "{666666666666666666666666666666666666666666666666}", // 50: too long for the listing
};
const char* const kProgIds[] = {"Prog.A.1", "Prog.B.1", "prog.a.1", "CLSID", "TypeLib", "Interface"};
const char* const kLibs[] = {"{L0}", "{L1}", "{l1}"};
const char* const kNamed[] = {
    "", "\\", "CLSID", "TypeLib", "TYPELIB", "Interface", "Prog.A.1", "Prog.B.1", "Prog.Missing",
    "CLSID\\{C0000000-0000-0000-0000-000000000000}", "Prog.A.1\\", "\\Prog.A.1", "{L0}", "{L1}",
    "{L0}\\1.0", "{L9}", "{C0000000-0000-0000-0000-000000000000}", "{c1000000-0000-0000-0000-000000000001}",
    "{C2\tTAB}", "a\tb", "C:\\x\\y.ocx",
};
const size_t kLengths[] = {0, 1, 48, 49, 50, 51, 258, 259, 260, 261, 1010, 1022, 1023, 1024, 1025};

// A value: one of the names that matter, or a run of characters of a length
// around some room's limit.
std::string Text(Input& in)
{
    const uint8_t how = in.Byte();
    if (how % 3 != 0)
        return in.Pick(kNamed);
    const size_t length = kLengths[in.Byte() % (sizeof kLengths / sizeof kLengths[0])];
    static const char kAlphabet[] = "aZ\t\\.{}0";
    std::string text(length, 'x');
    const uint8_t mix = in.Byte();
    for (size_t i = 0; i < length; ++i)
        text[i] = kAlphabet[(mix * (i + 1) / 7) % (sizeof kAlphabet - 1)];
    return text;
}

void SetValue(Input& in, const std::string& path)
{
    const uint8_t how = in.Byte();
    const DWORD types[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD};
    const DWORD type = types[how % 6];
    std::string data = Text(in);
    if ((how & 0x40) == 0)
        data += '\0';  // else stored without its NUL
    keystore::SetDefault(path, type, data);
}

void Build(Input& in, std::vector<std::string>* laid)
{
    keystore::Clear();
    if (in.Byte() % 8 != 0)
        keystore::CreateKey("CLSID");
    for (int op = 0; op < 80 && in.More(); ++op) {
        const std::string cls = std::string("CLSID\\") + in.Pick(kClasses);
        std::string path;
        switch (in.Byte() % 11) {
        case 0: path = cls; SetValue(in, path); break;
        case 1: path = cls + "\\Control"; keystore::CreateKey(path); break;
        case 2: path = cls + "\\InprocServer32"; SetValue(in, path); break;
        case 3: path = cls + "\\ProgID"; SetValue(in, path); break;
        case 4: path = cls + "\\Typelib"; SetValue(in, path); break;
        case 5: path = std::string(in.Pick(kProgIds)) + "\\CLSID"; SetValue(in, path); break;
        case 6: path = std::string("TypeLib\\") + in.Pick(kLibs) + (in.Byte() % 2 ? "\\1.0\\0\\win32" : "\\2.0");
                SetValue(in, path); break;
        case 7: path = cls + "\\Sub\\Deeper"; keystore::CreateKey(path); break;
        case 8: path = std::string("Interface\\") + in.Pick(kClasses); keystore::CreateKey(path); break;
        case 9: path = in.Pick(kProgIds); SetValue(in, path); break;
        default:
            if (!laid->empty()) {
                const std::string& target = (*laid)[in.Byte() % laid->size()];
                keystore::SetAccess(target, in.Byte() % 2 ? keystore::Access::kReadOnly
                                                          : keystore::Access::kNoDelete);
            }
            break;
        }
        if (!path.empty())
            laid->push_back(path);
    }
}

void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "FAILED: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool InsideTree(const std::string& path, const std::string& tree)
{
    return path.size() >= tree.size() && SameText(path.substr(0, tree.size()), tree) &&
           (path.size() == tree.size() || path[tree.size()] == '\\');
}

// A default value as the logic reads it: REG_SZ text that fits its room.
bool ReadText(const std::string& path, size_t room, std::string* text)
{
    DWORD type;
    std::string data;
    if (!keystore::GetDefault(path, &type, &data) || type != REG_SZ)
        return false;
    const size_t end = data.find('\0');
    if (end == std::string::npos ? data.size() >= room : end + 1 > room)
        return false;
    *text = data.substr(0, end);
    return true;
}

// The trees a removal of the control with this CLSID text may delete.
std::vector<std::string> AllowedTrees(const std::string& clsid)
{
    std::vector<std::string> trees;
    if (clsid.empty() || clsid.find('\\') != std::string::npos)
        return trees;
    const std::string cls = "CLSID\\" + clsid;
    trees.push_back(cls);
    std::string id;
    if (ReadText(cls + "\\Typelib", 50, &id) && !id.empty() && id.find('\\') == std::string::npos)
        trees.push_back("TypeLib\\" + id);
    std::string progId;
    std::string named;
    if (ReadText(cls + "\\ProgID", 1024, &progId) && !progId.empty() &&
        progId.find('\\') == std::string::npos && ReadText(progId + "\\CLSID", 60, &named) &&
        SameText(named, clsid))
        trees.push_back(progId);
    return trees;
}

std::set<std::string> Paths()
{
    std::set<std::string> paths;
    for (const std::string& line : keystore::Dump())
        paths.insert(line.substr(0, line.find(" = ")));
    return paths;
}

void Collect(const char* line, void* lines)
{
    static_cast<std::vector<std::string>*>(lines)->push_back(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in = {data, size, 0};
    std::vector<std::string> laid;
    Build(in, &laid);

    const std::set<std::string> beforeScan = Paths();
    std::vector<std::string> lines;
    FillControlList(Collect, &lines);
    if (keystore::OpenHandleCount() != 0)
        Fail("scan left handles open", std::to_string(keystore::OpenHandleCount()));
    if (Paths() != beforeScan)
        Fail("scan changed the registry", "");

    for (const std::string& line : lines) {
        const size_t first = line.find('\t');
        const size_t last = line.rfind('\t');
        if (line.size() > 1023 || first == std::string::npos || first == last)
            Fail("bad line", line);

        const std::string clsid = line.substr(first + 1, last - first - 1);
        const std::vector<std::string> allowed = AllowedTrees(clsid);
        const std::set<std::string> before = Paths();
        const bool classExisted = !clsid.empty() && keystore::Exists("CLSID\\" + clsid);
        char room[kLineRoom];
        std::memcpy(room, line.c_str(), line.size() + 1);
        const ResultCode result = RemoveControl(room);
        const std::set<std::string> after = Paths();

        if (keystore::OpenHandleCount() != 0)
            Fail("removal left handles open", line);
        for (const std::string& path : before) {
            if (after.count(path) != 0)
                continue;
            bool inside = false;
            for (const std::string& tree : allowed)
                inside = inside || InsideTree(path, tree);
            if (!inside)
                Fail("removal deleted a key of no tree of its control", path + " for " + line);
        }
        if (result != 0 && classExisted && !keystore::Exists("CLSID\\" + clsid))
            Fail("failed removal deleted the class key", line);
        if (result == 1 && after != before)
            Fail("removal refused the line but deleted keys", line);
    }
    return 0;
}
