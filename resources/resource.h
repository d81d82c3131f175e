// Identifiers shared by the dialog code and the resource script. The
// resource compiler reads this file too, which is why these are #defines.
#pragma once

#define IDD_CONTROLS 101
#define IDC_CONTROL_LIST 1000
#define IDC_REMOVE 1001
#define IDC_DETAILS 1002
