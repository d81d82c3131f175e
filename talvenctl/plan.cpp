// talvenctl plan CLSID... | --missing
#include <cstdio>
#include <cstring>

#include "talvenctl.h"

// Parses "CLSID... | --missing" and the given flags; false on bad usage.
bool ParseTargets(int argc, char** argv, const char* verb, std::vector<std::string>* clsids, bool* missing,
                  const char** backup, bool* yes)
{
    *missing = false;
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--missing") {
            *missing = true;
        } else if (backup != nullptr && word == "--backup" && i + 1 < argc) {
            *backup = argv[++i];
        } else if (yes != nullptr && word == "--yes") {
            *yes = true;
        } else if (word.compare(0, 1, "-") == 0) {
            Usage((std::string(verb) + ": unknown option " + word).c_str());
            return false;
        } else {
            clsids->push_back(word);
        }
    }
    if (clsids->empty() == !*missing) {
        Usage((std::string(verb) + ": name the controls by CLSID, or give --missing").c_str());
        return false;
    }
    return true;
}

int PlanVerb(int argc, char** argv)
{
    std::vector<std::string> clsids;
    bool missing;
    std::vector<Control> chosen;
    if (!ParseTargets(argc, argv, "plan", &clsids, &missing, nullptr, nullptr))
        return kBadUsage;
    if (!SelectControls(clsids, missing, &chosen))
        return kBadUsage;
    int exit = kAllDone;
    for (const Control& control : chosen) {
        const RemovalPlan plan = PlanFor(control, false);
        std::printf("%s  %s\n", control.clsid.c_str(), control.name.c_str());
        if (plan.result != ERROR_SUCCESS) {
            std::printf("  refused: %s\n", Reason(plan.result, plan.refusedAt).c_str());
            exit = kSomeNotDone;
            continue;
        }
        for (const std::string& key : plan.order)
            std::printf("  delete %s\n", key.c_str());
    }
    return exit;
}
