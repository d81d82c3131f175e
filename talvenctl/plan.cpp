// talvenctl plan CLSID... | --missing: what a removal would delete, key by
// key in the store it would work in, and what it would keep.
#include <cstdio>
#include <cstring>

#include "output.h"
#include "plans.h"
#include "verbs.h"

int PlanVerb(const Scope& scope, int argc, char** argv)
{
    std::vector<std::string> clsids;
    bool missing;
    std::vector<Control> chosen;
    if (!ParseTargets(argc, argv, "plan", &clsids, &missing, nullptr, nullptr))
        return kBadUsage;
    if (!SelectControls(scope, clsids, missing, &chosen))
        return kBadUsage;
    Census census;
    if (!TakeCensusOrSay(scope, &census))
        return kSomeNotDone;
    int exit = kAllDone;
    for (const Control& control : chosen) {
        const RemovalPlan plan = PlanFor(control, scope, false, census);
        Say(stdout, "%s  %s\n", control.clsid.c_str(), control.name.c_str());
        if (plan.result != ERROR_SUCCESS) {
            Say(stdout, "  refused: %s\n", Reason(plan.result, Where(plan)).c_str());
            exit = kSomeNotDone;
            continue;
        }
        for (const std::string& key : plan.order)
            Say(stdout, "  delete %s\n", KeyIn(plan.notes.store, key).c_str());
        for (const std::string& kept : plan.notes.kept)
            Say(stdout, "  kept %s\n", kept.c_str());
        // Later ones are planned as the run would remove them: after this.
        ForgetClass(&census, control.clsid, plan.notes.store);
    }
    return exit;
}
