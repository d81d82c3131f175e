// Whether a control's server file is still there, in talvenctl's words.
#include "servers.h"

#include "output.h"

namespace {

std::string UncheckedNote(const ServerCheck& check)
{
    switch (check.why) {
    case UncheckedWhy::kNoPath:
        return "no path";
    case UncheckedWhy::kEnvironmentVariable:
        return "holds an environment variable";
    case UncheckedWhy::kNetworkPath:
        return "a network path, not visited";
    case UncheckedWhy::kBesideLoader:
        return "found in no folder every program searches; it may lie beside the program that loads it";
    case UncheckedWhy::kRelativePath:
        return "a relative path";
    case UncheckedWhy::kNoSystemFolder:
        return "the system folder could not be told";
    case UncheckedWhy::kOtherFileSystemHidden:
        return "the 64-bit file system could not be looked at";
    case UncheckedWhy::kLookRefused:
        return Reason(static_cast<ResultCode>(check.error), "");
    case UncheckedWhy::kNone:
        break;
    }
    return "";
}

}  // namespace

ServerState CheckServer(const std::string& server, REGSAM view, DriveTypes* drives, std::string* note)
{
    char found[MAX_PATH];
    const ServerCheck check = CheckServerFile(server.c_str(), view, found, drives);
    if (check.state == ServerState::kPresent)
        note->assign(found);
    else
        note->assign(UncheckedNote(check));
    return check.state;
}

const char* StateName(ServerState state)
{
    return state == ServerState::kPresent ? "present" : state == ServerState::kMissing ? "missing" : "unchecked";
}
