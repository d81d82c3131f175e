// The five registry operations the logic calls, on HKEY_CLASSES_ROOT:
// RegOpenKeyExA, RegEnumKeyA, RegQueryValueExA, RegDeleteKeyA, RegCloseKey,
// with the 8-bit string routines lstrlenA, lstrcpyA, lstrcatA, lstrcmpiA.
// On Windows they are the platform's own; elsewhere the stand-in key store
// provides the same names and signatures.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "host_registry.h"
#endif
