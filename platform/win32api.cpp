#include "win32api.h"

#include <vector>
#include <windows.h>
#include <shlobj.h>

namespace {
// The program a command line names, as CreateProcessW takes it from the line.
std::wstring firstWord(const std::wstring &line)
{
    if (!line.empty() && line[0] == L'"')
        return line.substr(1, line.find(L'"', 1) - 1);
    return line.substr(0, line.find_first_of(L" \t"));
}
} // namespace

namespace Win32 {
bool startHidden(const std::wstring &commandLine, const std::wstring &program)
{
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    // A tool named bare (cmd, taskkill) is the system's own: left to the search, Windows would
    // look in this program's folder first, where anybody may have put a cmd.exe.
    std::wstring file = program;
    const std::wstring word = firstWord(commandLine);
    const bool absolute = (word.size() > 2 && word[1] == L':' && (word[2] == L'\\' || word[2] == L'/'))
                          || word.rfind(L"\\\\", 0) == 0;
    if (file.empty() && absolute) {
        file = word; // a program named by its full path is that file
    } else if (file.empty()) {
        if (word.empty() || word.find_first_of(L"\\/:") != std::wstring::npos)
            return false; // relative to the current folder: never
        wchar_t system[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return false;
        file = std::wstring(system, length) + L"\\" + word
               + (word.find(L'.') == std::wstring::npos ? L".exe" : L"");
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(file.c_str(), line.data(),
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

std::wstring profileFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)))
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

void messageBox(const std::wstring &title, const std::wstring &text, bool warning)
{
    MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

bool removeLinkEntry(const std::wstring &path)
{
    // The attributes of the link itself: GetFileAttributesW does not follow it.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryW(path.c_str()) != 0;
    return DeleteFileW(path.c_str()) != 0;
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
