// The scan asks each class for "Control" before opening the class itself.
// This checks, on many random registries, that it delivers exactly what the
// scan in its first order did: open the class with full access, then look
// for "Control" and "InprocServer32" under it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "controls.h"
#include "key_store.h"
#include "key_text.h"
#include "random_registry.h"

namespace {

void Collect(const char* line, void* lines)
{
    static_cast<std::vector<std::string>*>(lines)->push_back(line);
}

// The scan in its first order, kept here as the reference.
ResultCode ScanInFirstOrder(std::vector<std::string>* lines)
{
    HKEY classes;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes);
    if (result != 0)
        return result;
    char name[50];
    for (DWORD index = 0;; ++index) {
        const LONG found = RegEnumKeyA(classes, index, name, sizeof name);
        if (found == ERROR_MORE_DATA)
            continue;
        if (found != 0)
            break;
        HKEY cls;
        if (RegOpenKeyExA(classes, name, 0, KEY_ALL_ACCESS, &cls) != 0)
            continue;
        HKEY sub;
        char server[260];
        char line[kLineRoom];
        bool listed = false;
        if (RegOpenKeyExA(cls, "Control", 0, KEY_READ, &sub) == 0) {
            RegCloseKey(sub);
            if (RegOpenKeyExA(cls, "InprocServer32", 0, KEY_READ, &sub) == 0) {
                listed = QueryDefaultText(sub, server, sizeof server) == 0;
                RegCloseKey(sub);
            }
        }
        if (listed && QueryDefaultText(cls, line, sizeof line) == 0) {
            std::string entry = std::string("\t") + name + "\t" + server;
            std::string shown = line;
            if (shown.size() + entry.size() > kLineRoom - 1)
                shown.resize(kLineRoom - 1 - entry.size());
            lines->push_back(shown + entry);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return 0;
}

TEST(ScanOrder, DeliversWhatTheFirstOrderDidOnRandomRegistries)
{
    std::mt19937 random(20261208);
    size_t linesSeen = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<uint8_t> bytes(1 + random() % 1000);
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random());
        LayRegistryFromBytes(bytes.data(), bytes.size());

        std::vector<std::string> expected;
        const ResultCode expectedResult = ScanInFirstOrder(&expected);
        std::vector<std::string> lines;
        const ResultCode result = FillControlList(Collect, &lines);

        ASSERT_EQ(result, expectedResult) << "round " << round;
        ASSERT_EQ(lines, expected) << "round " << round;
        ASSERT_EQ(keystore::OpenHandleCount(), 0) << "round " << round;
        linesSeen += lines.size();
    }
    EXPECT_GT(linesSeen, 2000u) << "the random registries should hold controls";
    keystore::Clear();
}

}  // namespace
