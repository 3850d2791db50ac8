#include "win32api.h"

#include <windows.h>

#include <shlobj.h>
#include <utility>
#include <vector>
#include <winternl.h>

namespace {
// The program a command line names, as CreateProcessW takes it from the line.
std::wstring firstWord(const std::wstring &line)
{
    if (!line.empty() && line[0] == L'"')
        return line.substr(1, line.find(L'"', 1) - 1);
    return line.substr(0, line.find_first_of(L" \t"));
}

// The removal walk. Nothing is looked up by path once the walk has begun: each entry is opened
// relative to its folder's handle with FILE_OPEN_REPARSE_POINT, examined through that handle
// and deleted through it, so an entry swapped for a link after the listing is removed as a link.
struct Walk
{
    bool keepHidden;
    void (*listed)(const std::wstring &folder);
};
constexpr int deepest = 1000; // deeper than that stays: the walk recurses once a level

// With `forDeletion` the entry can be deleted through the handle; a folder that is some
// process's current folder (the uninstaller's own, usually) only opens without it.
HANDLE openRelative(HANDLE folder, const std::wstring &name, bool forDeletion)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status = {};
    HANDLE handle = nullptr;
    const ACCESS_MASK access =
        (forDeletion ? DELETE : 0) | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE;
    const NTSTATUS result =
        NtCreateFile(&handle, access, &object, &status, nullptr, 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                     FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return result >= 0 ? handle : nullptr;
}

std::vector<std::pair<std::wstring, DWORD>> listFolder(HANDLE folder)
{
    std::vector<std::pair<std::wstring, DWORD>> entries;
    std::vector<LONGLONG> buffer(8192); // 64 KiB, aligned as the records need
    FILE_INFO_BY_HANDLE_CLASS which = FileFullDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, which, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
        which = FileFullDirectoryInfo;
        const char *record = reinterpret_cast<const char *>(buffer.data());
        for (;;) {
            const auto *entry = reinterpret_cast<const FILE_FULL_DIR_INFO *>(record);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.emplace_back(name, entry->FileAttributes);
            if (entry->NextEntryOffset == 0)
                break;
            record += entry->NextEntryOffset;
        }
    }
    return entries;
}

// Marks an open entry for deletion: it goes when its last handle closes.
bool deleteOpen(HANDLE entry)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof(disposition))
           != 0;
}

// Removes the open entry (its contents first, for a folder); true when it is gone.
bool removeOpenEntry(HANDLE entry, const std::wstring &path, const Walk &walk, int depth)
{
    FILE_BASIC_INFO about = {};
    if (!GetFileInformationByHandleEx(entry, FileBasicInfo, &about, sizeof(about)))
        return false;
    if (about.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return deleteOpen(entry); // the link, junction or mount point itself
    if (!(about.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return !(about.FileAttributes & FILE_ATTRIBUTE_READONLY) && deleteOpen(entry);
    if (depth >= deepest)
        return false;

    const auto entries = listFolder(entry);
    if (walk.listed)
        walk.listed(path);
    bool empty = true;
    for (const auto &[name, attributes] : entries) {
        if (walk.keepHidden && (attributes & FILE_ATTRIBUTE_HIDDEN)) {
            empty = false;
            continue;
        }
        HANDLE child = openRelative(entry, name, true);
        if (!child) // in use as a current folder: it can still be emptied, and then stays
            child = openRelative(entry, name, false);
        const bool removed = child && removeOpenEntry(child, path + L"\\" + name, walk, depth + 1);
        if (child)
            CloseHandle(child); // a child marked for deletion goes now, before its folder
        if (!removed)
            empty = false;
    }
    return empty && deleteOpen(entry);
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
    const bool absolute =
        (word.size() > 2 && word[1] == L':' && (word[2] == L'\\' || word[2] == L'/'))
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
    const BOOL started = CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
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
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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
    const DWORD executable =
        PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return region.State == MEM_COMMIT && region.Type == MEM_IMAGE
           && (region.Protect & executable) != 0;
}

void messageBox(const std::wstring &title, const std::wstring &text, bool warning)
{
    MessageBoxW(nullptr, text.c_str(), title.c_str(),
                MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

void removeTree(const std::wstring &path, bool keepHidden,
                void (*listed)(const std::wstring &folder))
{
    // The uninstaller's folder is usually its current folder, which opens only without DELETE.
    HANDLE root = INVALID_HANDLE_VALUE;
    for (const DWORD deletion : {static_cast<DWORD>(DELETE), 0UL}) {
        root = CreateFileW(path.c_str(), deletion | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
        if (root != INVALID_HANDLE_VALUE)
            break;
    }
    if (root == INVALID_HANDLE_VALUE)
        return;
    removeOpenEntry(root, path, Walk{keepHidden, listed}, 0);
    CloseHandle(root);
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
