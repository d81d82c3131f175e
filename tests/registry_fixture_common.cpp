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

void LayDenying(const std::vector<KeyDef>& keys, const std::vector<std::string>& denied)
{
    ASSERT_NO_FATAL_FAILURE(Lay(keys));
    for (const std::string& path : denied)
        ASSERT_NO_FATAL_FAILURE(DenyWrite(path));
}

void ExpectResult(ResultCode actual, ResultCode expected)
{
    if (expected == kAnyFailure)
        EXPECT_NE(actual, 0);
    else
        EXPECT_EQ(actual, expected);
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

namespace {

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

}  // namespace

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
