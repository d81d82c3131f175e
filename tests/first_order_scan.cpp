#include "first_order_scan.h"

#include <string>

#include "key_text.h"

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
        char server[260];
        char line[kLineRoom];
        bool listed = false;
        if (RegOpenKeyExA(cls, "Control", 0, KEY_READ, &sub) == 0) {
            RegCloseKey(sub);
            if (RegOpenKeyExA(cls, "InprocServer32", 0, KEY_READ, &sub) == 0) {
                listed = QueryDefaultText(sub, server, sizeof server) == 0;
                RegCloseKey(sub);
            }
        }
        if (listed && QueryDefaultText(cls, line, sizeof line) == 0) {
            const std::string entry = std::string("\t") + name + "\t" + server;
            std::string shown = line;
            if (shown.size() + entry.size() > kLineRoom - 1)
                shown.resize(kLineRoom - 1 - entry.size());
            sink((shown + entry).c_str(), context);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return 0;
}
