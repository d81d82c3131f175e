// A DLL that does nothing, named as no other: a test puts it beside itself
// and asks the loader for it by its bare name.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
