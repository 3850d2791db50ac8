// Linked into each program for Windows. Windows looks for a DLL that is not one of its KnownDLLs
// in the program's own folder first, and an installer is started from a downloads folder where
// any web page may leave a file. So the programs import no such DLL at load time (they are
// delay-loaded), and this runs before anything else of the program, the C runtime's start
// included: from here on a DLL named without a folder comes from the system folder only.
#include <windows.h>

namespace {
void NTAPI systemDllsOnly(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
} // namespace

// A TLS callback of the executable: the loader calls it before the entry point.
extern "C" __attribute__((used, section(".CRT$XLB")))
const PIMAGE_TLS_CALLBACK zelvaneSystemDllsOnly = systemDllsOnly;
