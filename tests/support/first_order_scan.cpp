#include "first_order_scan.h"

#include <string>

#include <windows.h>

namespace {

// A default value as the first order read it: REG_SZ text that fits a room
// of roomSize bytes with its NUL, which the registry need not have stored.
// Apart from the logic's own reading, so that a fault there shows.
bool ReadText(HKEY key, size_t roomSize, std::string* text)
{
    DWORD type = 0;
    std::string data(roomSize, '\0');
    DWORD size = static_cast<DWORD>(roomSize);
    if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<LPBYTE>(&data[0]), &size) != 0 ||
        type != REG_SZ)
        return false;
    data.resize(size);
    const size_t end = data.find('\0');
    if (end == std::string::npos && data.size() + 1 > roomSize)
        return false;
    *text = data.substr(0, end);
    return true;
}

// The text cut to at most most bytes, never inside a character: a lead
// byte of a double-byte page with its trail, or a UTF-8 sequence whole.
std::string CutByCharacters(const std::string& text, size_t most)
{
    size_t end = 0;
    for (size_t at = 0; at < text.size();) {
        size_t next = at + 1;
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (GetACP() == CP_UTF8) {
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80 && byte >= 0xC0)
                ++next;
        } else if (IsDBCSLeadByte(byte) && next < text.size()) {
            ++next;
        }
        if (next > most)
            break;
        end = at = next;
    }
    return text.substr(0, end);
}

}  // namespace

ResultCode ScanInFirstOrder(ControlSink sink, void* context)
{
    HKEY classes;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes);
    if (result != 0)
        return result;
    char name[kKeyNameRoom];
    for (DWORD index = 0;; ++index) {
        const LONG found = RegEnumKeyA(classes, index, name, sizeof name);
        if (found == ERROR_MORE_DATA)
            continue;
        if (found != 0)
            break;
        HKEY cls;
        if (RegOpenKeyExA(classes, name, 0, KEY_ALL_ACCESS, &cls) != 0)
            continue;
        HKEY sub;
        std::string server;
        std::string shown;
        bool listed = false;
        if (RegOpenKeyExA(cls, "Control", 0, KEY_READ, &sub) == 0) {
            RegCloseKey(sub);
            if (RegOpenKeyExA(cls, "InprocServer32", 0, KEY_READ, &sub) == 0) {
                listed = ReadText(sub, 260, &server);
                RegCloseKey(sub);
            }
        }
        if (listed && ReadText(cls, kLineRoom, &shown)) {
            const std::string entry = std::string("\t") + name + "\t" + server;
            if (shown.size() + entry.size() > kLineRoom - 1 && entry.size() <= kLineRoom - 1)
                shown = CutByCharacters(shown, kLineRoom - 1 - entry.size());
            if (entry.size() <= kLineRoom - 1)
                sink((shown + entry).c_str(), context);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return 0;
}
