#include "win32api.h"

#include <vector>
#include <windows.h>
#include <shlobj.h>

namespace Win32 {
bool startHidden(const std::wstring &commandLine, const std::wstring &program)
{
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(),
                                        nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                        &process);
    if (!started)
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::wstring folderPath(Folder folder)
{
    int csidl = CSIDL_DESKTOPDIRECTORY;
    if (folder == Folder::Startup)
        csidl = CSIDL_STARTUP;
    else if (folder == Folder::Programs)
        csidl = CSIDL_PROGRAMS;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return std::wstring(path);
}

std::wstring programFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            const std::wstring file(path.data(), length);
            const std::wstring::size_type slash = file.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
        }
        path.resize(path.size() * 2); // a long path: try again with more room
    }
}

void sleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}

bool isExecutableCode(const void *address)
{
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(address, &region, sizeof(region)) != sizeof(region))
        return false;
    const DWORD executable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return region.State == MEM_COMMIT && region.Type == MEM_IMAGE && (region.Protect & executable) != 0;
}

bool holdNamedMutex(const std::wstring &name)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    // Any other outcome, a failed creation included, lets the program go on; the handle
    // stays open until the process ends.
    return true;
}
} // namespace Win32
