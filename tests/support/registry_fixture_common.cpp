#include <map>
#include "registry_fixture.h"

#include <algorithm>
#include <cctype>

KeyDef Key(const std::string& path)
{
    return KeyDef{path, kNoValue, std::string()};
}

KeyDef Text(const std::string& path, const std::string& text)
{
    return KeyDef{path, REG_SZ, text + '\0'};
}

KeyDef Raw(const std::string& path, DWORD type, const std::string& bytes)
{
    return KeyDef{path, type, bytes};
}

KeyDef Link(const std::string& path, const std::string& target)
{
    return KeyDef{path, REG_LINK, target};
}

std::vector<KeyDef> InView(REGSAM view, std::vector<KeyDef> keys)
{
    for (KeyDef& key : keys)
        key.view = view;
    return keys;
}

std::vector<KeyDef> InUserStore(std::vector<KeyDef> keys)
{
    for (KeyDef& key : keys)
        key.path = kUserPath + key.path;
    return keys;
}

void LayDenying(const std::vector<KeyDef>& keys, const std::vector<std::string>& denied)
{
    ASSERT_NO_FATAL_FAILURE(Lay(keys));
    for (const std::string& path : denied)
        ASSERT_NO_FATAL_FAILURE(DenyWrite(path));
}

std::vector<KeyDef> Join(std::initializer_list<std::vector<KeyDef>> parts)
{
    std::vector<KeyDef> all;
    for (const std::vector<KeyDef>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<std::string> ListControls(ResultCode* result)
{
    std::vector<std::string> lines;
    const ResultCode scanned = FillControlList(
        [](const char* line, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(line); },
        &lines);
    if (result != nullptr)
        *result = scanned;
    return lines;
}

std::vector<std::string> ListScopeControls(const Scope& scope)
{
    std::vector<std::string> lines;
    FillScopeControlList(
        scope, [](const char* line, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(line); },
        &lines);
    return lines;
}

std::map<std::string, std::string> LinesByClass(const Scope& scope)
{
    std::map<std::string, std::string> lines;
    for (const std::string& line : ListScopeControls(scope))
        lines[line.substr(line.find('\t') + 1, line.rfind('\t') - line.find('\t') - 1)] = line;
    return lines;
}

std::string ListedLine(const std::string& clsid, const Scope& scope)
{
    const std::map<std::string, std::string> lines = LinesByClass(scope);
    const auto found = lines.find(clsid);
    return found != lines.end() ? found->second : "Class\t" + clsid + "\tx.ocx";
}

std::vector<KeyDef> ControlKeys(const ControlDef& control)
{
    const std::string classPath = "CLSID\\" + control.clsid;
    std::vector<KeyDef> keys = {
        Text(classPath, control.name),
        Key(classPath + "\\Control"),
        Text(classPath + "\\InprocServer32", control.server),
    };
    if (!control.progId.empty()) {
        keys.push_back(Text(classPath + "\\ProgID", control.progId));
        keys.push_back(Text(control.progId, control.name));
        keys.push_back(Text(control.progId + "\\CLSID", control.clsid));
    }
    if (!control.typeLib.empty()) {
        keys.push_back(Text(classPath + "\\Typelib", control.typeLib));
        keys.push_back(Text("TypeLib\\" + control.typeLib + "\\1.0", control.name + " Library"));
        keys.push_back(Text("TypeLib\\" + control.typeLib + "\\1.0\\0\\win32", control.server));
    }
    return keys;
}

std::string EntryLine(const ControlDef& control)
{
    return control.name + "\t" + control.clsid + "\t" + control.server;
}

std::string DetailsText(const std::string& line, const std::string& server)
{
    std::string text;
    for (char c : line)
        text += c == '\t' ? std::string("\r\n") : std::string(1, c);
    return text + "\r\n" + server;
}

bool InsideTree(const std::string& path, const std::string& tree)
{
    if (path.size() < tree.size() || (path.size() > tree.size() && path[tree.size()] != '\\'))
        return false;
    for (size_t i = 0; i < tree.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[i])) !=
            std::tolower(static_cast<unsigned char>(tree[i])))
            return false;
    }
    return true;
}

std::vector<std::string> WithoutTrees(const std::vector<std::string>& snapshot,
                                      const std::vector<std::string>& trees)
{
    std::vector<std::string> kept;
    for (const std::string& line : snapshot) {
        const std::string path = line.substr(0, std::min(line.find(" = "), line.find(" ->")));
        bool gone = false;
        for (const std::string& tree : trees)
            gone = gone || InsideTree(path, tree);
        if (!gone)
            kept.push_back(line);
    }
    return kept;
}

void PrintTo(const TreeCase& c, std::ostream* os)
{
    *os << c.what;
}

void ExpectOnlyTreesGone(const TreeCase& c, ResultCode (*act)(const std::string& input))
{
    ASSERT_NO_FATAL_FAILURE(LayDenying(c.layout, c.denied));
    const std::vector<std::string> before = Snapshot();
    const int handlesBefore = OpenHandles();

    EXPECT_EQ(act(c.input), c.result);

    EXPECT_EQ(Snapshot(), WithoutTrees(before, c.gone));
    for (const std::string& tree : c.gone)
        EXPECT_FALSE(KeyExists(tree)) << tree;
    EXPECT_EQ(OpenHandles(), handlesBefore);
    EXPECT_EQ(DeletionsThroughView(), 0);
}
