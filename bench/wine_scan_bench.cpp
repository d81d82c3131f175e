// The scan on a real registry, run under Wine. On "CLSID" with the given
// number of subkeys (one in twenty a control), alternating, medians of
// several runs:
//   - FillControlList against a bare loop making the same registry calls in
//     the same order but building and delivering no line: the floor for
//     this algorithm on this registry;
//   - against the scan in its first order (open each class, then look for
//     "Control"), kept here for the comparison;
//   - the cost of one registry call: a bare enumeration of "CLSID";
//   - talvenctl's list against FillControlList: with the server file checks
//     alone (one file-system call per control), and whole (each control's
//     ProgID and library found as its removal would find them);
//   - removing one control (its class, ProgID and library, the library's
//     other users looked for in one pass over both views' classes) against
//     FillControlList, with the other view as the prefix has it and then
//     holding as many classes again;
//   - with --start, the time from starting talven.exe (beside this program,
//     or the one named after --start) to its dialog shown, on this registry
//     and on one without these subkeys; and what the dialog's server file
//     checks add to it: the listed lines added to a list box of the
//     dialog's kind as the dialog adds them, against the lines alone.
// Prints "name value" lines for the report.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls.h"
#include "first_order_scan.h"
#include "timing.h"
#include "rows.h"
#include "talven_driver.h"
#include "ui.h"

namespace {

constexpr int kRounds = 7;

constexpr wchar_t kParkedWide[] = L"TalvenBenchParkedClasses";

// The classes of this program's view, or with view set those of the other
// view besides what it holds, named apart from this view's.
bool LayClasses(int subkeys, REGSAM view = 0)
{
    if (view == 0)
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID");
    HKEY classes;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &classes,
                        nullptr) != 0)
        return false;
    bool laid = true;
    for (int i = 0; i < subkeys && laid; ++i) {
        char name[64];
        wsprintfA(name, view == 0 ? "{%08X-0000-0000-0000-000000000000}" : "{%08X-0000-0000-0000-0000000000EE}", i);
        HKEY cls;
        HKEY sub;
        laid = RegCreateKeyExA(classes, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &cls, nullptr) == 0;
        if (!laid)
            break;
        char text[80];
        wsprintfA(text, "Class %d", i);
        RegSetValueExA(cls, "", 0, REG_SZ, reinterpret_cast<BYTE*>(text), lstrlenA(text) + 1);
        laid = RegCreateKeyExA(cls, "InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == 0;
        if (laid) {
            // One control in ten named without a folder, which the dialog's
            // server check looks for folder by folder as the loader would.
            const char* server = i % 200 == 0 ? "x.dll" : "C:\\x.dll";
            RegSetValueExA(sub, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(server), lstrlenA(server) + 1);
            RegCloseKey(sub);
        }
        if (laid && i % 20 == 0) {
            laid = RegCreateKeyExA(cls, "Control", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == 0;
            if (laid)
                RegCloseKey(sub);
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return laid;
}

void CountLine(const char*, void* count)
{
    ++*static_cast<long*>(count);
}

// The same registry calls as FillControlList, in the same order, with
// nothing built or delivered.
long BareScan()
{
    HKEY classes;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &classes) != 0)
        return -1;
    long controls = 0;
    char name[50];
    for (DWORD index = 0;; ++index) {
        const LONG found = RegEnumKeyA(classes, index, name, sizeof name);
        if (found == ERROR_MORE_DATA)
            continue;
        if (found != 0)
            break;
        char path[64];
        lstrcpyA(path, name);
        lstrcatA(path, "\\Control");
        HKEY sub;
        if (RegOpenKeyExA(classes, path, 0, KEY_READ, &sub) != 0)
            continue;
        RegCloseKey(sub);
        HKEY cls;
        if (RegOpenKeyExA(classes, name, 0, KEY_ALL_ACCESS, &cls) != 0)
            continue;
        char server[260];
        char line[kLineRoom];
        if (RegOpenKeyExA(cls, "InprocServer32", 0, KEY_READ, &sub) == 0) {
            DWORD type;
            DWORD size = sizeof server;
            RegQueryValueExA(sub, "", nullptr, &type, reinterpret_cast<BYTE*>(server), &size);
            RegCloseKey(sub);
            size = sizeof line;
            RegQueryValueExA(cls, "", nullptr, &type, reinterpret_cast<BYTE*>(line), &size);
            ++controls;
        }
        RegCloseKey(cls);
    }
    RegCloseKey(classes);
    return controls;
}

long FirstOrderCounting()
{
    long lines = 0;
    ScanInFirstOrder(CountLine, &lines);
    return lines;
}

double TimeOf(long (*scan)())
{
    const double start = Now();
    scan();
    return Now() - start;
}

long FillCounting()
{
    long lines = 0;
    FillControlList(CountLine, &lines);
    return lines;
}

long ListChecking()
{
    std::vector<Row> rows;
    ListRows(kShownScope, false, false, &rows);
    return static_cast<long>(rows.size());
}

long ListWhole()
{
    std::vector<Row> rows;
    ListRows(kShownScope, false, true, &rows);
    return static_cast<long>(rows.size());
}

bool SetText(const char* path, const char* text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0)
        return false;
    RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
    RegCloseKey(key);
    return true;
}

// Seconds to remove a control laid out for the round: its own ProgID and a
// library of its own, which no other class names, so the pass goes through
// every class of both views.
double RemovalTime(int round)
{
    char clsid[64];
    char path[160];
    char text[160];
    wsprintfA(clsid, "{FEEDBE%02X-0000-0000-0000-000000000000}", round);
    // Named as its line names it: a removal takes only the registration
    // that builds the line it is given.
    wsprintfA(path, "CLSID\\%s", clsid);
    SetText(path, "Removed");
    wsprintfA(path, "CLSID\\%s\\Control", clsid);
    SetText(path, "");
    wsprintfA(path, "CLSID\\%s\\InprocServer32", clsid);
    SetText(path, "C:\\gone.ocx");
    wsprintfA(path, "CLSID\\%s\\ProgID", clsid);
    wsprintfA(text, "Bench.Removed.%d", round);
    SetText(path, text);
    wsprintfA(path, "%s\\CLSID", text);
    SetText(path, clsid);
    wsprintfA(path, "CLSID\\%s\\Typelib", clsid);
    wsprintfA(text, "{FEEDB1%02X-0000-0000-0000-000000000000}", round);
    SetText(path, text);
    wsprintfA(path, "TypeLib\\%s\\1.0\\0\\win32", text);
    SetText(path, "C:\\gone.ocx");
    char line[kLineRoom];
    wsprintfA(line, "Removed\t%s\tC:\\gone.ocx", clsid);
    const double start = Now();
    const ResultCode result = RemoveControl(line);
    const double seconds = Now() - start;
    // The library is its own: it must have gone with it.
    wsprintfA(path, "TypeLib\\%s", text);
    HKEY library;
    const bool libraryLeft = RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &library) == 0;
    if (libraryLeft)
        RegCloseKey(library);
    return result == 0 && !libraryLeft ? seconds : -1;
}

double CallCost(int subkeys)
{
    HKEY classes;
    RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &classes);
    char name[50];
    const double start = Now();
    for (int i = 0; i < subkeys; ++i)
        RegEnumKeyA(classes, i, name, sizeof name);
    const double seconds = Now() - start;
    RegCloseKey(classes);
    return seconds / subkeys;
}

void CollectLine(const char* line, void* lines)
{
    static_cast<std::vector<std::string>*>(lines)->push_back(line);
}

// Seconds to add the listed lines to a list box of the dialog's kind, each
// as the dialog adds it, its server file checked, or with the line alone:
// the lines gathered first, so that the scan's own spread is not in it.
double FillListBox(const std::vector<std::string>& lines, bool checking)
{
    const HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED, 0, 0,
                                    300, 200, nullptr, nullptr, nullptr, nullptr);
    DriveTypes drives = kNoDriveTypes;
    const double start = Now();
    for (const std::string& line : lines) {
        if (checking)
            AddControlLine(list, line.c_str(), &drives);
        else
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    const double seconds = Now() - start;
    DestroyWindow(list);
    return seconds;
}

// Seconds from starting talven to its dialog shown; negative on failure.
double StartToDialog(const char* program)
{
    Talven talven;
    const double start = Now();
    if (!(program ? talven.LaunchProgram(program) : talven.Launch()) || !talven.WaitForDialog()) {
        talven.Kill();
        return -1;
    }
    const double seconds = Now() - start;
    PostMessageA(talven.dialog, WM_CLOSE, 0, 0);
    talven.WaitForExit();
    talven.Kill();
    return seconds;
}

typedef LONG(WINAPI* RenameKey)(HKEY, LPCWSTR, LPCWSTR);

}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    int subkeys = 20000;
    bool starts = false;
    const char* program = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--start") == 0) {
            starts = true;
            if (i + 1 < argc && argv[i + 1][0] != '-')
                program = argv[++i];
        } else {
            subkeys = std::atoi(argv[i]);
        }
    }
    if (!LayClasses(subkeys)) {
        std::fprintf(stderr, "could not lay out %d classes\n", subkeys);
        return 1;
    }
    std::vector<double> fill, bare, first, checking, whole;
    for (int round = 0; round < kRounds; ++round) {
        fill.push_back(TimeOf(FillCounting));
        bare.push_back(TimeOf(BareScan));
        first.push_back(TimeOf(FirstOrderCounting));
        checking.push_back(TimeOf(ListChecking));
        whole.push_back(TimeOf(ListWhole));
    }
    std::printf("subkeys %d\n", subkeys);
    std::printf("controls %ld\n", FillCounting());
    std::printf("fill_seconds %.4f\n", Median(fill));
    std::printf("bare_seconds %.4f\n", Median(bare));
    std::printf("first_order_seconds %.4f\n", Median(first));
    std::printf("fill_over_bare %.3f\n", Median(fill) / Median(bare));
    std::printf("fill_over_first_order %.3f\n", Median(fill) / Median(first));
    std::printf("call_microseconds %.1f\n", CallCost(subkeys) * 1e6);
    std::printf("list_file_checks_seconds %.4f\n", Median(checking));
    std::printf("list_seconds %.4f\n", Median(whole));
    std::printf("list_file_checks_over_fill %.3f\n", Median(checking) / Median(fill));
    std::printf("list_over_fill %.3f\n", Median(whole) / Median(fill));

    // The other view as the prefix has it, then holding as many more.
    const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    for (int layout = 0; layout < 2; ++layout) {
        if (layout == 1 && !LayClasses(subkeys, other)) {
            std::fprintf(stderr, "could not lay out %d classes in the other view\n", subkeys);
            return 1;
        }
        std::vector<double> removal, scan;
        for (int round = 0; round < kRounds; ++round) {
            removal.push_back(RemovalTime(layout * kRounds + round));
            scan.push_back(TimeOf(FillCounting));
        }
        if (*std::min_element(removal.begin(), removal.end()) < 0) {
            std::fprintf(stderr, "a removal failed\n");
            return 1;
        }
        const char* name = layout == 0 ? "remove_one" : "remove_one_other_view_full";
        std::printf("%s_seconds %.4f\n", name, Median(removal));
        std::printf("%s_over_fill %.3f\n", name, Median(removal) / Median(scan));
    }
    if (!starts)
        return 0;

    // Alternate between this registry and one without its subkeys by parking
    // "CLSID" under another name.
    const RenameKey rename = reinterpret_cast<RenameKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegRenameKey")));
    if (rename == nullptr) {
        std::fprintf(stderr, "RegRenameKey is missing\n");
        return 1;
    }
    std::vector<std::string> lines;
    FillControlList(CollectLine, &lines);
    std::vector<double> large, empty, checked, plain;
    for (int round = 0; round < 5; ++round) {
        large.push_back(StartToDialog(program));
        checked.push_back(FillListBox(lines, true));
        plain.push_back(FillListBox(lines, false));
        if (rename(HKEY_CLASSES_ROOT, L"CLSID", kParkedWide) != 0) {
            std::fprintf(stderr, "could not park CLSID\n");
            return 1;
        }
        HKEY classes;
        RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr);
        RegCloseKey(classes);
        empty.push_back(StartToDialog(program));
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID");
        rename(HKEY_CLASSES_ROOT, kParkedWide, L"CLSID");
    }
    std::printf("start_large_seconds %.3f\n", Median(large));
    std::printf("start_empty_seconds %.3f\n", Median(empty));
    std::printf("start_difference_not_registry_seconds %.3f\n",
                Median(large) - Median(empty) - Median(bare));
    // What the server checks add to the start: the listed lines added as
    // the dialog adds them, and alone; the start before them is the start
    // without that difference, every other step being the same.
    const double checks = Median(checked) - Median(plain);
    std::printf("server_checks_seconds %.4f\n", checks);
    std::printf("start_over_start_without_checks %.3f\n", Median(large) / (Median(large) - checks));
    return 0;
}
