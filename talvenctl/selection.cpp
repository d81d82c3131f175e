// Which controls a verb acts on: those the listing delivers, named by CLSID
// or with --missing every one whose server is missing.
#include "selection.h"

#include <cstdio>

#include "key_text.h"
#include "output.h"
#include "servers.h"
#include "views.h"

namespace {

// A line taken apart as the removal takes it, by characters: in a
// double-byte code page the dialog and talvenctl see the same parts.
void Collect(const char* line, void* context)
{
    int start = 0;
    int end = 0;
    if (!FindClassName(line, &start, &end))
        return;  // the listing builds none such
    const std::string text = line;
    static_cast<std::vector<Control>*>(context)->push_back(
        {text, text.substr(0, start - 1), text.substr(start, end - start), text.substr(end + 1)});
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
        Say(stderr, "talvenctl: cannot list the controls: %s\n", Reason(listed, "CLSID").c_str());
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
            Say(stderr, "talvenctl: %s is not a listed control; nothing done\n", clsid.c_str());
            return false;
        }
    }
    return true;
}
