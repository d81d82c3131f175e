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

}  // namespace

ResultCode ScanInFirstOrder(ControlSink sink, void* context)
{
    HKEY classes;
    ResultCode result = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes);
    if (result != 0)
        return result;
    char name[50];
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
            if (shown.size() + entry.size() > kLineRoom - 1)
                shown.resize(kLineRoom - 1 - entry.size());
            sink((shown + entry).c_str(), context);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return 0;
}
