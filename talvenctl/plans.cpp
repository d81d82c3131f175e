// What a removal would delete and keep, from its own read-only walk, with
// each key's backup section where asked for.
#include "plans.h"

#include "output.h"
#include "reg_format.h"
#include "stores.h"

namespace {

// The values of an open key as the lines of its backup section, under the
// store it came from: restored through HKEY_CLASSES_ROOT, a key would go
// to the machine's store whatever store it came from.
std::u16string SectionOf(HKEY key, ClassStore store, const char* path)
{
    std::u16string section = RegKeyLine(Utf16(std::string(StoreRootName(store)) + "\\" + path));
    DWORD nameRoom = 0;
    DWORD dataRoom = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameRoom,
                     &dataRoom, nullptr, nullptr);
    std::vector<wchar_t> name(nameRoom + 1);
    std::vector<uint8_t> data(dataRoom + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG read = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (read != ERROR_SUCCESS)
            break;
        section += RegValueLine(std::u16string(name.begin(), name.begin() + nameLength), type,
                                std::vector<uint8_t>(data.begin(), data.begin() + size));
    }
    return section + u"\r\n";
}

ResultCode Note(HKEY, const char* path, KeyVisit visit, void* context)
{
    RemovalPlan* plan = static_cast<RemovalPlan*>(context);
    if (visit == kRefusingKey)
        plan->refusedAt = path;
    else if (visit == kLeavingKey)
        plan->order.push_back(path);
    return ERROR_SUCCESS;
}

ResultCode NoteWithBackup(HKEY key, const char* path, KeyVisit visit, void* context)
{
    RemovalPlan* plan = static_cast<RemovalPlan*>(context);
    if (visit == kEnteringKey)
        plan->backup.push_back({KeyIn(plan->notes.store, path), SectionOf(key, plan->notes.store, path)});
    return Note(key, path, visit, context);
}

}  // namespace

RemovalPlan PlanFor(const Control& control, const Scope& scope, bool withBackup, const Census& census)
{
    RemovalPlan plan = {};
    plan.notes.census = &census;
    plan.notes.keys = withBackup ? NoteWithBackup : Note;
    plan.notes.owner = &plan;
    plan.notes.store = kMachineStore;
    char room[kLineRoom];
    lstrcpynA(room, control.line.c_str(), kLineRoom);
    plan.result = PlanRemoval(room, scope, NotingWatch(&plan.notes));
    return plan;
}

std::string Where(const RemovalPlan& plan)
{
    return plan.refusedAt.empty() ? std::string() : KeyIn(plan.notes.store, plan.refusedAt);
}

bool NamedTreesOf(const Control& control, const Scope& scope, const Census& census, ClassStore* which,
                  std::string* progId, std::string* typeLib)
{
    progId->clear();
    typeLib->clear();
    const std::string path = "CLSID\\" + control.clsid;
    Store store;
    StoreStop stop;
    if (OpenStoreOfClass(scope, path.c_str(), control.line.c_str(), &store, &stop) != ERROR_SUCCESS)
        return false;
    *which = store.which;
    HKEY classKey;
    bool read = OpenInStore(store, path.c_str(), KEY_READ, &classKey) == ERROR_SUCCESS;
    if (read) {
        char progIdRoom[kLineRoom];
        char typeLibRoom[kTypeLibPathRoom];
        WatchNotes notes = {};
        notes.census = &census;
        notes.store = store.which;
        read = FindNamedTrees(store, classKey, control.clsid.c_str(), progIdRoom, typeLibRoom, NotingWatch(&notes)) ==
               ERROR_SUCCESS;
        if (read) {
            *progId = progIdRoom;
            *typeLib = typeLibRoom[0] == '\0' ? typeLibRoom : typeLibRoom + lstrlenA("TYPELIB\\");
        }
        RegCloseKey(classKey);
    }
    CloseStore(store);
    return read;
}

bool StillRegistered(const Control& control, const Scope& scope, ClassStore removedFrom, ClassStore* other)
{
    char shown[kLineRoom];
    if (ShownControlLine(scope, control.line.c_str(), shown) != ERROR_SUCCESS)
        return false;
    // The view shows a control of that name still: the other store's.
    *other = removedFrom == kUserStore ? kMachineStore : kUserStore;
    Store store;
    if (OpenStore(*other, scope, &store) != ERROR_SUCCESS)
        return false;
    HKEY classKey;
    const std::string path = "CLSID\\" + control.clsid;
    const bool held = OpenInStore(store, path.c_str(), KEY_READ, &classKey) == ERROR_SUCCESS;
    if (held)
        RegCloseKey(classKey);
    CloseStore(store);
    return held;
}
