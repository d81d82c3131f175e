// Which controls a verb acts on: those the listing delivers, named by CLSID
// or with --missing every one whose server is missing.
#include "selection.h"

#include <cstdio>

#include "output.h"
#include "servers.h"
#include "views.h"

namespace {

void Collect(const char* line, void* context)
{
    const std::string text = line;
    const size_t first = text.find('\t');
    const size_t last = text.rfind('\t');
    static_cast<std::vector<Control>*>(context)->push_back(
        {text, text.substr(0, first), text.substr(first + 1, last - first - 1), text.substr(last + 1)});
}

}  // namespace

ResultCode ListedControls(const Scope& scope, std::vector<Control>* controls)
{
    return FillScopeControlList(scope, Collect, controls);
}

bool SelectControls(const Scope& scope, const std::vector<std::string>& clsids, bool missing,
                    std::vector<Control>* chosen)
{
    std::vector<Control> controls;
    const ResultCode listed = ListedControls(scope, &controls);
    if (listed != ERROR_SUCCESS) {
        std::fprintf(stderr, "talvenctl: cannot list the controls: %s\n", Reason(listed, "CLSID").c_str());
        return false;
    }
    DriveTypes drives = kNoDriveTypes;
    for (const Control& control : controls) {
        std::string note;
        if (missing && CheckServer(control.server, FindViews(scope).working, &drives, &note) == ServerState::kMissing)
            chosen->push_back(control);
    }
    for (const std::string& clsid : clsids) {
        bool found = false;
        for (const Control& control : controls) {
            if (!found && lstrcmpiA(control.clsid.c_str(), clsid.c_str()) == 0) {
                chosen->push_back(control);
                found = true;
            }
        }
        if (!found) {
            std::fprintf(stderr, "talvenctl: %s is not a listed control; nothing done\n", clsid.c_str());
            return false;
        }
    }
    return true;
}
