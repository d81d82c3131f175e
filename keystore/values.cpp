// The stand-in's value calls: a key's default value, and a link's own,
// read in either form and written in the 8-bit one.
#include <cstring>

#include "handles.h"

using namespace keystore::internal;

namespace {

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies what a value query returns into the caller's room of *dataSize
// bytes, or says how much it needs.
LONG GiveData(const void* bytes, DWORD size, LPBYTE data, LPDWORD dataSize)
{
    if (data != nullptr) {
        if (dataSize == nullptr)
            return ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes, size);
    }
    if (dataSize != nullptr)
        *dataSize = size;
    return ERROR_SUCCESS;
}

// A link's value names its target as the platform's own path names it.
std::string NativePath(const Text& target)
{
    const char* rest;
    const bool user = StartOf(target.c_str(), &rest) == UserRoot();
    return std::string(user ? "\\Registry\\User\\S-1-5-21-1000_Classes\\" : "\\Registry\\Machine\\Software\\Classes\\") +
           rest;
}

// The default value (or a link's own) of the handle's key, as stored.
LONG StoredValue(const char* operation, HKEY handle, bool linkValueAsked, bool namedValue, DWORD* type,
                 std::string* stored)
{
    Key* key;
    Handle* h;
    const LONG code =
        BeginCall(operation, [&] { return NameOfHandle(handle); }, handle, KEY_QUERY_VALUE, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    // A key has its default value at most; a link opened as itself has only
    // the value that names its target.
    const bool linkValue = key->link && linkValueAsked;
    if (!linkValue && (namedValue || !key->hasValue))
        return ERROR_FILE_NOT_FOUND;
    *type = linkValue ? static_cast<DWORD>(REG_LINK) : key->type;
    *stored = linkValue ? NativePath(key->target) : std::string(key->data);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    DWORD storedType;
    std::string stored;
    const bool linkValueAsked = valueName != nullptr && lstrcmpiA(valueName, "SymbolicLinkValue") == 0;
    const LONG code = StoredValue("RegQueryValueExA", handle, linkValueAsked, valueName != nullptr && valueName[0] != '\0',
                                  &storedType, &stored);
    if (code != ERROR_SUCCESS)
        return code;
    if (type != nullptr)
        *type = storedType;
    if (!IsStringType(storedType))
        return GiveData(stored.data(), static_cast<DWORD>(stored.size()), data, dataSize);
    const std::string ansi = ToAnsi(stored, true, nullptr);
    return GiveData(ansi.data(), static_cast<DWORD>(ansi.size()), data, dataSize);
}

LONG RegQueryValueExW(HKEY handle, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    const std::wstring name = valueName == nullptr ? std::wstring() : std::wstring(valueName);
    DWORD storedType;
    std::string stored;
    const LONG code =
        StoredValue("RegQueryValueExW", handle, name == L"SymbolicLinkValue", !name.empty(), &storedType, &stored);
    if (code != ERROR_SUCCESS)
        return code;
    if (type != nullptr)
        *type = storedType;
    if (!IsStringType(storedType) && storedType != REG_LINK)
        return GiveData(stored.data(), static_cast<DWORD>(stored.size()), data, dataSize);
    const std::wstring wide = ToWide(stored);
    return GiveData(wide.data(), static_cast<DWORD>(wide.size() * sizeof(WCHAR)), data, dataSize);
}

// The stand-in keeps a key's default value alone.
LONG RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    Key* key;
    Handle* h;
    const LONG code =
        BeginCall("RegSetValueExA", [&] { return NameOfHandle(handle); }, handle, KEY_SET_VALUE, &key, &h);
    if (code != ERROR_SUCCESS)
        return code;
    if (valueName != nullptr && valueName[0] != '\0')
        return ERROR_INVALID_PARAMETER;
    if (!Grants(key, KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    key->hasValue = true;
    key->type = type;
    key->data.assign(reinterpret_cast<const char*>(data), size);
    if (IsStringType(type)) {
        const std::string stored = FromAnsi(reinterpret_cast<const char*>(data), size);
        key->data.assign(stored.data(), stored.size());
    }
    return ERROR_SUCCESS;
}
