// Turns its input into a registry in the host's key store, lists the
// controls, then removes each listed control in turn, checking after every
// step: lines within their room and with two TABs, nothing deleted outside
// the trees the layout made the removed control's own (never what its values
// merely name), a failed removal keeping the class key, and no handle left
// open.
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

    const std::set<std::string> beforeScan = Paths();
    const std::vector<std::string> lines = ListControls();
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
        const std::vector<std::string> allowed = AllowedTrees(own, clsid);
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
