#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // A crash must fail the test, not wait in Wine's debugger; and what ran
    // before it must show, not die in the output's buffer.
    SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    setvbuf(stdout, nullptr, _IONBF, 0);
    // The tests replace all of HKEY_CLASSES_ROOT\CLSID, \TypeLib and \Interface. Under
    // Wine that is a throwaway prefix; anywhere else it would be the
    // machine's own registrations.
    const bool underWine =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    char allowed[8] = "";
    GetEnvironmentVariableA("TALVEN_TESTS_MAY_CLEAR_CLASSES", allowed, sizeof allowed);
    if (!underWine && lstrcmpA(allowed, "1") != 0) {
        fprintf(stderr, "These tests delete every registered class. Run them under Wine, or on a "
                        "machine given over to them with TALVEN_TESTS_MAY_CLEAR_CLASSES=1.\n");
        return 2;
    }
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
