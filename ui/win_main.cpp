// The program entry: the main dialog, and nothing else, until it is closed.
#include "ui.h"

#include "process_start.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    PrepareProcess();
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONTROLS), nullptr, MainDlgProc, 0);
    return 0;
}
