// talvenctl: the dialog's inventory and removal from the command line.
#include <cstring>

#include "talvenctl.h"

int main(int argc, char** argv)
{
    if (!TakeViewOption(&argc, argv) || !TakeStoreOption(&argc, argv))
        return kBadUsage;
    if (argc < 2)
        return Usage(nullptr);
    const char* verb = argv[1];
    if (std::strcmp(verb, "list") == 0)
        return ListVerb(argc - 2, argv + 2);
    if (std::strcmp(verb, "plan") == 0)
        return PlanVerb(argc - 2, argv + 2);
    if (std::strcmp(verb, "remove") == 0)
        return RemoveVerb(argc - 2, argv + 2);
    return Usage((std::string("unknown verb ") + verb).c_str());
}
