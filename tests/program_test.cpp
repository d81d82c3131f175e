// The program end to end: the real talven.exe started in a process of its
// own against a registry laid out here, driven from outside through
// ordinary window messages, and the registry checked afterwards. The dialog's
// every detail is tested in-process; this is the program as a user starts it.
#include <gtest/gtest.h>

#include <windows.h>

#include "process_start.h"
#include "registry_fixture.h"
#include "resource.h"
#include "talven_driver.h"

namespace program_test {

const ControlDef kCedar = {"{3C000000-0000-0000-0000-000000000003}", "Cedar Clock",
                           "C:\\Controls\\cedar.ocx", "Talven.Cedar.1", "{7A000000-0000-0000-0000-0000000000A1}"};
const ControlDef kCypress = {"{3D000000-0000-0000-0000-000000000004}", "Cypress Chart",
                             "C:\\Controls\\cypress.ocx", "", ""};

class Program : public TalvenTest {};

TEST_F(Program, ListsRemovesAConfirmedControlAndClosesWithExitCodeZero)
{
    ASSERT_NO_FATAL_FAILURE(Lay(Join({{Text("CLSID\\{4D000000-0000-0000-0000-000000000004}", "Plain class")},
                                      ControlKeys(kCedar), ControlKeys(kCypress)})));
    const std::vector<std::string> registry = Snapshot();
    ASSERT_TRUE(talven_.Start());
    EXPECT_EQ(talven_.Lines(), (std::vector<std::string>{EntryLine(kCedar), EntryLine(kCypress)}));

    talven_.Command(IDC_REMOVE, BN_CLICKED);
    const HWND confirm = talven_.WaitForBox("Remove Control");
    ASSERT_NE(confirm, nullptr);
    AnswerBox(confirm, IDYES);
    ASSERT_TRUE(WaitUntilGone(confirm));
    // The list is brought up to date after the registry.
    WaitUntil(kWaitMs, [&] { return talven_.Lines().size() == 1; });
    EXPECT_EQ(talven_.Lines(), std::vector<std::string>{EntryLine(kCypress)});
    EXPECT_EQ(Snapshot(), WithoutTrees(registry, {kCedar.progId, "TypeLib\\" + kCedar.typeLib,
                                                  "CLSID\\" + kCedar.clsid}));

    talven_.Command(IDOK, BN_CLICKED);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

TEST_F(Program, ReportsAScanFailureBeforeItsDialogAndEndsOnWmClose)
{
    ASSERT_NO_FATAL_FAILURE(Lay(ControlKeys(kCypress)));
    ASSERT_NO_FATAL_FAILURE(DenyWrite("CLSID"));
    ASSERT_TRUE(talven_.Launch());

    const HWND box = talven_.WaitForBox("Fatal Error");
    ASSERT_NE(box, nullptr);
    const HWND dialog = FindWindowA("#32770", "Registered OLE Controls");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the box comes before the dialog is seen";
    AnswerBox(box, IDOK);

    ASSERT_TRUE(talven_.WaitForDialog());
    EXPECT_TRUE(talven_.Lines().empty());
    PostMessageA(talven_.dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(talven_.WaitForExit(), 0);
}

// The start-up both programs run first: a DLL left beside the program, which
// the loader found there by its bare name before, is refused after it (126,
// not found), and a drive without a disk raises no box of the system's.
TEST(StartUp, NarrowsTheDllSearchToTheSystemFolder)
{
    const char kProbe[] = "talven-search-probe.dll";
    const HMODULE before = LoadLibraryA(kProbe);
    ASSERT_NE(before, nullptr) << "the probe lies beside the test program: " << GetLastError();
    FreeLibrary(before);
    ASSERT_EQ(GetModuleHandleA(kProbe), nullptr);
    SetErrorMode(0);
    PrepareProcess();
    EXPECT_EQ(LoadLibraryA(kProbe), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(LoadLibraryA("version.dll"), nullptr) << "the system folder's own still load";
    const UINT mode = SetErrorMode(0);
    EXPECT_EQ(mode & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

}  // namespace program_test
