// The stand-in's registry operations, with the platform's signatures and
// error codes: every call counted and failable (faults.cpp), checked
// against the access its handle was opened with; HKEY_CLASSES_ROOT the
// merged view of the two class stores (merged_view.cpp).
#include <cstring>

#include "handles.h"

using namespace keystore::internal;

namespace {

bool g_machineReadOnly = false;
long g_viewDeletions = 0;
std::vector<std::string> g_deleted;  // by full path, in the order they went

// Like Wine's, a deletion reaches a link's target, never the link; through
// the merged view it deletes the copy the view shows.
LONG DeleteKeyInView(const char* operation, HKEY parent, LPCSTR subkey, REGSAM view)
{
    Key* from;
    Handle* h;
    LONG code = BeginCall(operation, [&] { return SubkeyName(subkey); }, parent, 0, &from, &h);
    if (code != ERROR_SUCCESS)
        return code;
    if (h != nullptr && h->merged)
        ++g_viewDeletions;
    Key* key;
    bool user;
    code = FindTarget(TargetOf(from, h, subkey, view), false, &key, &user);
    if (code != ERROR_SUCCESS)
        return code;
    if (key->parent == nullptr || IsStoreRoot(key) || key->access != keystore::Access::kFull ||
        (g_machineReadOnly && InMachineHive(key)) || !key->children.empty())
        return ERROR_ACCESS_DENIED;
    g_deleted.push_back(PathOf(key));
    RemoveChild(key->parent, key);
    key->deleted = true;
    return ERROR_SUCCESS;
}

}  // namespace

namespace keystore::internal {

bool Grants(const Key* key, REGSAM wanted)
{
    REGSAM masked = wanted & ~kViewFlags;
    const bool readOnly = key->access == keystore::Access::kReadOnly || (g_machineReadOnly && InMachineHive(key));
    if (readOnly)
        return (masked & ~static_cast<REGSAM>(KEY_READ)) == 0;
    return true;
}

void ClearCalls()
{
    ClearHandles();
    ClearFaults();
    g_machineReadOnly = false;
    g_viewDeletions = 0;
    g_deleted.clear();
}

}  // namespace keystore::internal

namespace keystore {

void DenyMachineWrites(bool deny)
{
    g_machineReadOnly = deny;
}

long DeletionsThroughClassesRoot()
{
    return g_viewDeletions;
}

std::vector<std::string> DeletedKeys()
{
    return g_deleted;
}

}  // namespace keystore

namespace {

// What an open and a create share: the call begun, its target found, and
// the handle to be made of it; the code of the search, or of the call.
// A wide subkey is given as its stored text, an 8-bit one as it is.
LONG BeginOpen(const char* operation, HKEY parent, LPCSTR subkey, const std::string* stored, DWORD options,
               REGSAM access, Key** from, Target* target, Handle* made, bool* failedCall)
{
    Handle* h;
    const LONG code = BeginCall(
        operation, [&] { return stored != nullptr ? *stored : std::string(SubkeyName(subkey)); }, parent, 0, from, &h);
    *failedCall = code != ERROR_SUCCESS;
    if (*failedCall)
        return code;
    *target = stored != nullptr ? TargetOfStored(*from, h, *stored, access) : TargetOf(*from, h, subkey, access);
    made->access = access;
    made->openLink = (options & REG_OPTION_OPEN_LINK) != 0;
    made->merged = target->view != nullptr;
    made->path = target->path;
    made->view = target->flags;
    return FindTarget(*target, made->openLink, &made->key, &made->boundToUser);
}

}  // namespace

namespace {

LONG OpenKey(const char* operation, HKEY parent, LPCSTR subkey, const std::string* stored, DWORD options,
             REGSAM access, PHKEY result)
{
    Key* from;
    Target target;
    Handle made;
    bool failedCall;
    const LONG code = BeginOpen(operation, parent, subkey, stored, options, access, &from, &target, &made, &failedCall);
    if (code != ERROR_SUCCESS)
        return code;
    if (!Grants(made.key, access))
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(made);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExA(HKEY parent, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    return OpenKey("RegOpenKeyExA", parent, subkey, nullptr, options, access, result);
}

LONG RegOpenKeyExW(HKEY parent, LPCWSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    std::string stored;
    for (const WCHAR* at = subkey; at != nullptr && *at != 0; ++at)
        AppendStored(&stored, static_cast<char32_t>(*at));
    return OpenKey("RegOpenKeyExW", parent, nullptr, &stored, options, access, result);
}

namespace {

// The subkey at index, as both forms of the enumeration find it.
LONG EnumeratedKey(const char* operation, HKEY handle, DWORD index, const Key** found)
{
    Key* key;
    Handle* h;
    LONG code = BeginCall(operation, [&] { return NameOfHandle(handle); }, handle, KEY_ENUMERATE_SUB_KEYS, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    const std::vector<Key*>* merged = nullptr;
    const std::pmr::vector<Key*>* single = &key->children;
    if (h != nullptr && h->merged) {
        code = ShownChildren(h, &merged, &single);
        if (code != ERROR_SUCCESS)
            return code;
    }
    const size_t count = single != nullptr ? single->size() : merged->size();
    if (index >= count)
        return ERROR_NO_MORE_ITEMS;
    *found = single != nullptr ? (*single)[index] : (*merged)[index];
    if (single != nullptr)
        (*found)->parent->lastEnumerated = index;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKeyA(HKEY handle, DWORD index, LPSTR name, DWORD nameSize)
{
    const Key* found;
    const LONG code = EnumeratedKey("RegEnumKeyA", handle, index, &found);
    if (code != ERROR_SUCCESS)
        return code;
    // The 8-bit form converts with best fit, as Windows does.
    const std::string ansi = ToAnsi(std::string(found->name), true, nullptr);
    if (ansi.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, ansi.c_str(), ansi.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyW(HKEY handle, DWORD index, LPWSTR name, DWORD nameSize)
{
    const Key* found;
    const LONG code = EnumeratedKey("RegEnumKeyW", handle, index, &found);
    if (code != ERROR_SUCCESS)
        return code;
    const std::wstring wide = ToWide(std::string(found->name));
    if (wide.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    std::memcpy(name, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY parent, LPCSTR subkey)
{
    return DeleteKeyInView("RegDeleteKeyA", parent, subkey, 0);
}

LONG RegDeleteKeyExA(HKEY parent, LPCSTR subkey, REGSAM view, DWORD)
{
    return DeleteKeyInView("RegDeleteKeyExA", parent, subkey, view);
}

namespace {

// Native statuses, and the Win32 codes they stand for. An injected failure
// carries its Win32 code in a status of the customer range, which
// RtlNtStatusToDosError gives back.
constexpr LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022u);
constexpr LONG kStatusInvalidHandle = static_cast<LONG>(0xC0000008u);
constexpr LONG kStatusCannotDelete = static_cast<LONG>(0xC0000121u);
constexpr LONG kStatusKeyDeleted = static_cast<LONG>(0xC000017Cu);
constexpr LONG kCustomerStatus = static_cast<LONG>(0xE0000000u);

LONG StatusOf(LONG code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_ACCESS_DENIED:
        return kStatusAccessDenied;
    case ERROR_INVALID_HANDLE:
        return kStatusInvalidHandle;
    case ERROR_KEY_DELETED:
        return kStatusKeyDeleted;
    default:
        return kCustomerStatus | code;
    }
}

}  // namespace

// Deletes the very key the handle holds: a link opened as itself is
// deleted as the link, never its target, and a key renamed since it was
// opened under its new name.
LONG NtDeleteKey(HANDLE handle)
{
    const HKEY key = static_cast<HKEY>(handle);
    Key* found;
    Handle* h;
    const LONG code = BeginCall("NtDeleteKey", [&] { return NameOfHandle(key); }, key, DELETE, &found, &h);
    if (code != ERROR_SUCCESS)
        return StatusOf(code);
    if (h == nullptr || IsStoreRoot(found) || found->parent == nullptr)
        return kStatusAccessDenied;
    if (found->access == keystore::Access::kNoDelete)
        return kStatusAccessDenied;
    if (!found->children.empty())
        return kStatusCannotDelete;
    if (h->merged)
        ++g_viewDeletions;
    g_deleted.push_back(PathOf(found));
    RemoveChild(found->parent, found);
    found->deleted = true;
    return 0;
}

ULONG RtlNtStatusToDosError(LONG status)
{
    switch (status) {
    case 0:
        return ERROR_SUCCESS;
    case kStatusAccessDenied:
    case kStatusCannotDelete:
        return ERROR_ACCESS_DENIED;
    case kStatusInvalidHandle:
        return ERROR_INVALID_HANDLE;
    case kStatusKeyDeleted:
        return ERROR_KEY_DELETED;
    default:
        return (status & kCustomerStatus) == kCustomerStatus ? static_cast<ULONG>(status & 0xFFFF) : 317;
    }
}

LONG RegCloseKey(HKEY handle)
{
    LONG code;
    const bool fail = InjectedFailure(&code, "RegCloseKey", [&] { return NameOfHandle(handle); });
    if (IsPredefined(handle))
        return fail ? code : ERROR_SUCCESS;
    Handle* h = FindHandle(handle);
    if (h == nullptr)
        return ERROR_INVALID_HANDLE;
    // Even a failed close gives the handle back, so an injected failure here
    // does not pass for a leak.
    FreeHandle(h);
    return fail ? code : ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY parent, LPCSTR subkey, DWORD, LPSTR, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition)
{
    Key* from;
    Target target;
    Handle made;
    bool failedCall;
    const LONG found =
        BeginOpen("RegCreateKeyExA", parent, subkey, nullptr, options, access, &from, &target, &made, &failedCall);
    if (failedCall)
        return found;
    if (found != ERROR_SUCCESS) {
        // Through the merged view a new key goes to the machine's store.
        Key* start = ViewStart(target.view != nullptr ? Root() : from, target.path.c_str(), target.flags);
        if (g_machineReadOnly && InMachineHive(start))
            return ERROR_ACCESS_DENIED;
        made.key = CreatePath(start, target.path.c_str(), false);
        if (made.key == nullptr || made.key == start)
            return made.key == nullptr ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER;
        made.boundToUser = false;
    }
    if (!Grants(made.key, access))
        return ERROR_ACCESS_DENIED;
    if (disposition != nullptr)
        *disposition = found == ERROR_SUCCESS ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewHandle(made);
    return ERROR_SUCCESS;
}
