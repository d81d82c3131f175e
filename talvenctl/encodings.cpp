// Text in the ANSI code page, as UTF-16 for backups, counted by characters
// for columns, and written to a console or a file so that every name reads
// as it is.
#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::u16string Utf16(const std::string& ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return std::u16string(wide.begin(), wide.end());
}

size_t Characters(const std::string& ansi)
{
    size_t count = 0;
    for (const char16_t unit : Utf16(ansi))
        count += unit < 0xDC00 || unit > 0xDFFF;  // a surrogate pair is one
    return count;
}

void Write(FILE* stream, const std::string& ansi)
{
    // A console shows what its wide output is given, whatever its code
    // page; a file or a pipe takes UTF-8, whatever the program's.
    const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    const std::u16string wide = Utf16(ansi);
    if (GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        DWORD written;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const wchar_t* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(wide.size()), &utf8[0], length, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void Say(FILE* stream, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::vector<char> text(length > 0 ? length + 1 : 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    Write(stream, text.data());
}
