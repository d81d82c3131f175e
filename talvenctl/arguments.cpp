// The command line: the controls a verb acts on, its options, and the
// usage said where they are wrong.
#include "selection.h"

#include <cstdio>
#include <cstring>

#include "output.h"
#include "views.h"

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

namespace {

// Takes "name VALUE" out of the arguments, VALUE one of two: 1 with value
// set, 0 where the option is not given, -1, with the usage said, for
// another value.
int TakeChoice(int* argc, char** argv, const char* name, const char* first, const char* second, const char** value)
{
    for (int i = 0; i < *argc; ++i) {
        if (std::strcmp(argv[i], name) != 0)
            continue;
        *value = i + 1 < *argc ? argv[i + 1] : "";
        if (std::strcmp(*value, first) != 0 && std::strcmp(*value, second) != 0) {
            Usage((std::string(name) + ": it is " + first + " or " + second).c_str());
            return -1;
        }
        for (int j = i; j + 2 < *argc; ++j)
            argv[j] = argv[j + 2];
        *argc -= 2;
        return 1;
    }
    return 0;
}

// --view 32|64: the view named, where this system keeps two.
bool TakeViewOption(int* argc, char** argv, Scope* scope)
{
    const char* bits;
    const int given = TakeChoice(argc, argv, "--view", "32", "64", &bits);
    if (given <= 0)
        return given == 0;
    const REGSAM flag = bits[0] == '3' ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const Views views = FindViews(*scope);
    if (views.other == 0) {
        // Where there is one view, the flags would be ignored: asking for
        // the other one would quietly act on this one.
        if (ViewBits(flag) != ViewBits(0)) {
            Usage((std::string("--view ") + bits + ": this system keeps one registry view, the " +
                   std::to_string(ViewBits(0)) + "-bit one")
                      .c_str());
            return false;
        }
        return true;
    }
    scope->view = flag;
    return true;
}

// --store user|machine: that store alone.
bool TakeStoreOption(int* argc, char** argv, Scope* scope)
{
    const char* which;
    const int given = TakeChoice(argc, argv, "--store", "user", "machine", &which);
    if (given == 1)
        scope->stores = which[0] == 'u' ? kUserStoreOnly : kMachineStoreOnly;
    return given >= 0;
}

}  // namespace

bool TakeScopeOptions(int* argc, char** argv, Scope* scope)
{
    return TakeViewOption(argc, argv, scope) && TakeStoreOption(argc, argv, scope);
}

int Usage(const char* message)
{
    if (message != nullptr)
        Say(stderr, "talvenctl: %s\n", message);
    Say(stderr,
                 "usage: talvenctl list [--missing] [--format text|csv|json] [--view 32|64] [--store user|machine]\n"
                 "       talvenctl plan CLSID... | --missing [--view 32|64] [--store user|machine]\n"
                 "       talvenctl remove CLSID... | --missing [--backup FILE] [--yes] [--view 32|64]\n"
                 "                [--store user|machine]\n");
    return kBadUsage;
}
