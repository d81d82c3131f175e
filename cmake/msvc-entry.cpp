// The entry point of the programs built in Microsoft's dialect here, where
// no Visual Studio C runtime is at hand to call WinMain: talven needs none.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

extern "C" void __cdecl TalvenEntry()
{
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
