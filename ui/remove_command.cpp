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
    // The removal works in the line's room; the line is needed after it.
    char removed[kLineRoom];
    lstrcpyA(removed, line);
    const ResultCode result = RemoveControl(line);
    // A refusal for a registration changed since the list was made leaves
    // the registry as it is, and the line is brought up to date with it.
    if (result != 0 && result != kRegistrationChanged)
        return result;
    SendMessageA(list, LB_DELETESTRING, index, 0);
    // A registration of the class in the other store shows now, or the one
    // that changed: its line takes the place of the one removed, so the
    // list hides nothing that remains.
    if (ShownControlLine(kShownScope, removed, line) == ERROR_SUCCESS) {
        DriveTypes drives = kNoDriveTypes;
        const LRESULT shown = AddControlLine(list, line, &drives);
        index = shown >= 0 ? shown : index;
    }
    if (index >= SendMessageA(list, LB_GETCOUNT, 0, 0))
        --index;
    if (index >= 0)
        SendMessageA(list, LB_SETCURSEL, index, 0);
    EnableWindow(GetDlgItem(dialog, IDC_REMOVE), index >= 0);
    ShowSelectedDetails(dialog);
    return result;
}
