// talvenctl remove CLSID... | --missing [--backup FILE] [--yes]
#include <cstdio>
#include <cstring>
#include <set>

#include "output.h"
#include "plans.h"
#include "reg_format.h"
#include "verbs.h"

namespace {

bool HaveConsole()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool Confirm(const Control& control)
{
    Say(stdout, "Remove %s  %s? [y/N] ", control.clsid.c_str(), control.name.c_str());
    std::fflush(stdout);
    char answer[16];
    return std::fgets(answer, sizeof answer, stdin) != nullptr && (answer[0] == 'y' || answer[0] == 'Y');
}

// The whole backup, written and flushed before anything is deleted; a part
// of one is no backup, so a failure leaves no file.
bool WriteBackup(const char* path, const std::u16string& text)
{
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Say(stderr, "talvenctl: cannot create the backup %s: %s; nothing removed\n", path,
                     Reason(static_cast<ResultCode>(GetLastError()), "").c_str());
        return false;
    }
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(char16_t));
    DWORD written = 0;
    const bool whole = WriteFile(file, text.data(), size, &written, nullptr) && written == size &&
                       FlushFileBuffers(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!whole) {
        DeleteFileA(path);
        Say(stderr, "talvenctl: cannot write the backup %s: %s; nothing removed\n", path,
                     Reason(static_cast<ResultCode>(error), "").c_str());
    }
    return whole;
}

// What the removal deletes must be what was planned and backed up: a key
// that has appeared since, or a store other than the plan's, ends the
// removal before anything goes. Where the removal stops, in its walk or in
// its deletion, is noted.
struct Planned {
    WatchNotes notes;
    std::set<std::string> keys;
    ClassStore plannedStore;
    std::string unplanned;
    std::string refusedAt;
};

ResultCode RefuseUnplanned(HKEY, const char* path, KeyVisit visit, void* context)
{
    Planned* planned = static_cast<Planned*>(context);
    const ClassStore store = planned->notes.store;
    if (visit == kRefusingKey)
        planned->refusedAt = KeyIn(store, path);
    if (visit != kEnteringKey || (store == planned->plannedStore && planned->keys.count(path) != 0))
        return ERROR_SUCCESS;
    planned->unplanned = KeyIn(store, path);
    return ERROR_INVALID_DATA;
}

}  // namespace

int RemoveVerb(const Scope& scope, int argc, char** argv)
{
    std::vector<std::string> clsids;
    bool missing;
    const char* backup = nullptr;
    bool yes = false;
    std::vector<Control> chosen;
    if (!ParseTargets(argc, argv, "remove", &clsids, &missing, &backup, &yes))
        return kBadUsage;
    if (!yes && !HaveConsole())
        return Usage("remove: no console to ask for confirmation; give --yes to remove without asking");
    if (!SelectControls(scope, clsids, missing, &chosen))
        return kBadUsage;

    // One pass over both views' classes for the whole run: the plans take
    // each control as gone once planned, the removals once removed.
    Census census;
    if (!TakeCensusOrSay(scope, &census))
        return kSomeNotDone;
    Census planning = census;
    int exit = kAllDone;
    std::vector<std::pair<Control, RemovalPlan>> confirmed;
    for (const Control& control : chosen) {
        RemovalPlan plan = PlanFor(control, scope, backup != nullptr, planning);
        if (plan.result != ERROR_SUCCESS) {
            Say(stdout, "refused %s  %s: %s\n", control.clsid.c_str(), control.name.c_str(),
                        Reason(plan.result, Where(plan)).c_str());
            exit = kSomeNotDone;
        } else if (!yes && !Confirm(control)) {
            Say(stdout, "kept %s  %s: not confirmed\n", control.clsid.c_str(), control.name.c_str());
            exit = kSomeNotDone;
        } else {
            confirmed.push_back({control, plan});
            ForgetClass(&planning, control.clsid, plan.notes.store);
        }
    }
    if (backup != nullptr) {
        // A library shared by several of them is backed up once. Each key
        // is written under its own store's root.
        const int bits = ViewBits(census.working);
        std::u16string text = RegFileHeader() +
                              RegCommentLine(Utf16("From the " + std::to_string(bits) +
                                                   "-bit registry view: restore with reg import FILE /reg:" +
                                                   std::to_string(bits)));
        std::set<std::string> backedUp;
        for (const auto& entry : confirmed) {
            for (const auto& section : entry.second.backup) {
                if (backedUp.insert(section.first).second)
                    text += section.second;
            }
        }
        if (!WriteBackup(backup, text))
            return kBadUsage;
    }
    for (const auto& entry : confirmed) {
        const Control& control = entry.first;
        Planned planned = {};
        planned.notes.census = &census;
        planned.notes.keys = RefuseUnplanned;
        planned.notes.owner = &planned;
        planned.notes.store = entry.second.notes.store;
        planned.plannedStore = entry.second.notes.store;
        for (const std::string& key : entry.second.order)
            planned.keys.insert(key);
        char room[kLineRoom];
        lstrcpynA(room, control.line.c_str(), kLineRoom);
        const ResultCode result = RemoveControlReporting(room, scope, NotingWatch(&planned.notes));
        if (result == ERROR_SUCCESS) {
            ForgetClass(&census, control.clsid, planned.notes.store);
            ClassStore other;
            const bool still = StillRegistered(control, scope, planned.notes.store, &other);
            Say(stdout, "removed %s  %s from the %s's store%s\n", control.clsid.c_str(), control.name.c_str(),
                        StoreName(planned.notes.store),
                        still ? ("; still registered in the " + std::string(StoreName(other)) + "'s store").c_str()
                              : "");
            for (const std::string& kept : planned.notes.kept)
                Say(stdout, "  kept %s\n", kept.c_str());
            continue;
        }
        exit = kSomeNotDone;
        if (!planned.unplanned.empty())
            Say(stdout, "refused %s  %s: %s appeared after the plan\n", control.clsid.c_str(),
                        control.name.c_str(), planned.unplanned.c_str());
        else
            Say(stdout, "failed %s  %s: %s\n", control.clsid.c_str(), control.name.c_str(),
                        Reason(result, planned.refusedAt).c_str());
    }
    return exit;
}
