// The Remove button: the confirmation, the removal, and the list, button and
// details box brought up to date after it.
#include "ui.h"

#include "resource.h"

void RunRemoveCommand(HWND dialog)
{
    if (MessageBoxA(dialog, "This item will be permanently removed from the registry.  Are you sure?",
                    "Remove Control", MB_ICONQUESTION | MB_YESNO) != IDYES)
        return;
    if (RemoveSelectedControl(dialog) != 0)
        MessageBoxA(dialog, "An unexpected error occurred while removing the control.", "Error",
                    MB_ICONERROR);
}

ResultCode RemoveSelectedControl(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_CONTROL_LIST);
    char line[kLineRoom];
    LRESULT index = ReadSelectedLine(list, line);
    if (index < 0)
        return 1;
    const ResultCode result = RemoveControl(line);
    if (result != 0)
        return result;
    SendMessageA(list, LB_DELETESTRING, index, 0);
    if (index >= SendMessageA(list, LB_GETCOUNT, 0, 0))
        --index;
    if (index >= 0)
        SendMessageA(list, LB_SETCURSEL, index, 0);
    EnableWindow(GetDlgItem(dialog, IDC_REMOVE), index >= 0);
    ShowSelectedDetails(dialog);
    return 0;
}
