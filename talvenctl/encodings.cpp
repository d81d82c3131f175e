// Text in the ANSI code page, as UTF-8 for the console's readers and as
// UTF-16 for backups.
#include "output.h"

std::u16string Utf16(const std::string& ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return std::u16string(wide.begin(), wide.end());
}

std::string Utf8(const std::string& ansi)
{
    const std::u16string wide = Utf16(ansi);
    const wchar_t* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), &out[0], length, nullptr, nullptr);
    return out;
}
