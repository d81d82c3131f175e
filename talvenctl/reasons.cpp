// Why a removal was refused or failed, in words.
#include "output.h"

std::string Reason(ResultCode code, const std::string& where)
{
    std::string said;
    if (code == ERROR_CANT_RESOLVE_FILENAME)
        said = "a registry link";
    else if (code == ERROR_FILENAME_EXCED_RANGE || code == ERROR_MORE_DATA)
        said = "a path too long to address";
    else if (code == 1)
        said = "not an entry line";
    else if (code == ERROR_NO_UNICODE_TRANSLATION)
        said = "a key name the ANSI code page cannot spell exactly";
    else if (code == kRegistrationChanged)
        said = "its registration is not the one listed any more";
    else {
        char message[512];
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                            static_cast<DWORD>(code), 0, message, sizeof message, nullptr);
        said = length > 0 ? std::string(message, length) : "error";
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' ||
                                 said.back() == '.'))
            said.pop_back();
    }
    if (!where.empty())
        said += code == ERROR_FILENAME_EXCED_RANGE ? " below " + where : " at " + where;
    said += " (" + std::to_string(code) + ")";
    // The machine's classes are an administrator's to change.
    if (code == ERROR_ACCESS_DENIED)
        said += "; run talvenctl from an elevated prompt, or give --store user for your own registrations";
    return said;
}
