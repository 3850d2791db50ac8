// Stays running for a minute: a process for taskkill to find.
#include <windows.h>

int wmain()
{
    Sleep(60000);
    return 0;
}
