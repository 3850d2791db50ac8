// Takes the launcher's named lock: exit status 0 when it got it, 1 when another holds it.
#include "win32api.h"

int wmain()
{
    return Win32::holdNamedMutex(L"OrvixUpdateManager") ? 0 : 1;
}
