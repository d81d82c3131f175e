// What GCC accepts and Microsoft's compiler refuses, as registry/ code would
// write it: this configuration must fail to compile it.
#include "controls.h"

int LengthOfRoom(int rooms)
{
    char room[rooms * kLineRoom];  // a variable-length array
    return static_cast<int>(sizeof room);
}
