// talvenctl: the dialog's inventory and removal from the command line.
#include <cstring>

#include "process_start.h"
#include "selection.h"
#include "verbs.h"

int main(int argc, char** argv)
{
    PrepareProcess();
    // Where it works, chosen once for the whole run.
    Scope scope = kShownScope;
    if (!TakeScopeOptions(&argc, argv, &scope))
        return kBadUsage;
    if (argc < 2)
        return Usage(nullptr);
    const char* verb = argv[1];
    if (std::strcmp(verb, "list") == 0)
        return ListVerb(scope, argc - 2, argv + 2);
    if (std::strcmp(verb, "plan") == 0)
        return PlanVerb(scope, argc - 2, argv + 2);
    if (std::strcmp(verb, "remove") == 0)
        return RemoveVerb(scope, argc - 2, argv + 2);
    return Usage((std::string("unknown verb ") + verb).c_str());
}
