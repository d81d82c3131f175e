// DeleteKeyTree against the platform's own RegDeleteTreeA, on identical
// trees of 10,000 keys, run under Wine: the two are timed in turn, a fresh
// tree each time, and the medians compared; with them what a removal spends
// on such a tree, walking it read-only first and then deleting it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "controls.h"
#include "key_text.h"
#include "timing.h"

namespace {

constexpr int kChildren = 100;
constexpr int kGrandchildren = 99;  // 100 + 100 * 99 = 10,000 keys below the root
constexpr int kRounds = 5;

bool LayTree(const char* root)
{
    HKEY top;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, root, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, nullptr) != 0)
        return false;
    bool laid = true;
    for (int i = 0; i < kChildren && laid; ++i) {
        char name[16];
        wsprintfA(name, "k%03d", i);
        HKEY child;
        laid = RegCreateKeyExA(top, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr) == 0;
        if (!laid)
            break;
        for (int j = 0; j < kGrandchildren && laid; ++j) {
            wsprintfA(name, "g%03d", j);
            HKEY grandchild;
            laid = RegCreateKeyExA(child, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &grandchild,
                                   nullptr) == 0;
            if (!laid)
                break;
            laid = RegSetValueExA(grandchild, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("v"), 2) == 0;
            RegCloseKey(grandchild);
        }
        RegCloseKey(child);
    }
    RegCloseKey(top);
    return laid;
}

enum Contender { kOurs, kPlatform, kCheckThenDelete, kContenders };

LONG Delete(Contender contender)
{
    switch (contender) {
    case kOurs: return DeleteKeyTree("TalvenBench");
    case kPlatform: return RegDeleteTreeA(HKEY_CLASSES_ROOT, "TalvenBench");
    default: {
        const LONG checked = CheckKeyTree("TalvenBench", nullptr, nullptr);
        return checked != 0 ? checked : DeleteKeyTree("TalvenBench");
    }
    }
}

}  // namespace

int main()
{
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    std::vector<double> seconds[kContenders];
    for (int round = 0; round < kRounds; ++round) {
        for (int which = 0; which < kContenders; ++which) {
            // Take turns at going first, so none always meets a warmer registry.
            const Contender contender = static_cast<Contender>((round + which) % kContenders);
            if (!LayTree("TalvenBench")) {
                std::fprintf(stderr, "could not lay out the tree\n");
                return 1;
            }
            const double start = Now();
            const LONG result = Delete(contender);
            seconds[contender].push_back(Now() - start);
            if (result != 0) {
                std::fprintf(stderr, "deletion failed with %ld\n", static_cast<long>(result));
                return 1;
            }
        }
    }
    const double ours = Median(seconds[kOurs]);
    const double platform = Median(seconds[kPlatform]);
    const double removal = Median(seconds[kCheckThenDelete]);
    std::printf("tree of %d keys, median of %d runs each, in turn\n",
                kChildren + kChildren * kGrandchildren, kRounds);
    std::printf("DeleteKeyTree                %8.3f s\n", ours);
    std::printf("RegDeleteTreeA               %8.3f s\n", platform);
    std::printf("CheckKeyTree + DeleteKeyTree %8.3f s\n", removal);
    std::printf("ratio DeleteKeyTree / RegDeleteTreeA = %.2f\n", ours / platform);
    std::printf("ratio CheckKeyTree + DeleteKeyTree / RegDeleteTreeA = %.2f\n", removal / platform);
    return 0;
}
