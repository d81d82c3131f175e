// What both programs do first, before anything else: Windows only.
#pragma once

// Narrows where the DLLs that Windows' own libraries load by name later
// (theming, for one) are looked for to the system folder, so that one left
// beside the program (in a download folder, say) is never loaded into it;
// and keeps the system's error boxes for a drive without a disk from
// appearing while server files are looked at. Looked up where an older
// Windows lacks the call.
void PrepareProcess();
