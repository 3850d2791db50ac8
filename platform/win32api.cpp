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
    BY_HANDLE_FILE_INFORMATION self; // the running program's file, which Windows keeps
    bool complete;                   // nothing remains that the walk meant to remove
};
constexpr int deepest = 1000; // deeper than that stays: the walk recurses once a level

// Opens `name` in the open folder as itself; an empty name opens the folder once more.
// No read access: a file held open by another program without read sharing still opens.
HANDLE openRelative(HANDLE folder, const std::wstring &name, ACCESS_MASK access,
                    NTSTATUS *result = nullptr)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status = {};
    HANDLE handle = nullptr;
    const NTSTATUS opened =
        NtCreateFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &object, &status,
                     nullptr, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                     FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (result)
        *result = opened;
    return opened >= 0 ? handle : nullptr;
}

// Not found, or marked for deletion by another program: the entry is going or gone.
bool goneMeanwhile(NTSTATUS status)
{
    for (const unsigned long gone : {0xC0000034UL, 0xC000003AUL, 0xC0000056UL})
        if (status == static_cast<NTSTATUS>(gone))
            return true; // OBJECT_NAME_NOT_FOUND, OBJECT_PATH_NOT_FOUND, DELETE_PENDING
    return false;
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

// Deletes an open entry. POSIX semantics where the system has them (Windows 10 1607 on): the
// name goes at once, also while another program holds the file open, so the folder above it
// can go too. Elsewhere the entry goes when its last handle closes.
bool deleteOpen(HANDLE entry)
{
    struct
    {
        DWORD flags;
    } now = {0x1 | 0x2}; // FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS
    const auto dispositionEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21); // FileDispositionInfoEx
    if (SetFileInformationByHandle(entry, dispositionEx, &now, sizeof(now)))
        return true;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof(disposition))
           != 0;
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION &a, HANDLE entry)
{
    BY_HANDLE_FILE_INFORMATION b = {};
    return GetFileInformationByHandle(entry, &b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
           && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Removes the open entry (its contents first, for a folder); true when it is gone. Whatever
// stays that the walk meant to remove marks the walk incomplete.
bool removeOpenEntry(HANDLE entry, const std::wstring &path, Walk &walk, int depth,
                     const std::wstring &parentReal = std::wstring(),
                     const std::wstring &ownName = std::wstring())
{
    FILE_BASIC_INFO about = {};
    if (!GetFileInformationByHandleEx(entry, FileBasicInfo, &about, sizeof(about)))
        return false;
    if (about.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return deleteOpen(entry); // the link, junction or mount point itself
    if (!(about.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!(about.FileAttributes & FILE_ATTRIBUTE_READONLY) && deleteOpen(entry))
            return true;
        if (!sameFile(walk.self, entry)) // the running program's own file is meant to stay
            walk.complete = false;
        return false;
    }
    // A folder must be where the system says it is, where it can tell (not always for very
    // long paths): under Wine a host link shows as a plain folder, and what it leads to is not
    // the walk's.
    const std::wstring real = Win32::finalPath(entry);
    if (depth > 0 && !real.empty() && !parentReal.empty()
        && !Win32::isNamedIn(real, parentReal, ownName)) {
        walk.complete = false;
        return false;
    }
    HANDLE folder =
        depth < deepest ? openRelative(entry, std::wstring(), FILE_LIST_DIRECTORY) : nullptr;
    if (!folder) {
        walk.complete = false;
        return false;
    }

    const auto entries = listFolder(folder);
    if (walk.listed)
        walk.listed(path);
    bool empty = true;
    for (const auto &[name, attributes] : entries) {
        if (walk.keepHidden && (attributes & FILE_ATTRIBUTE_HIDDEN)) {
            empty = false;
            continue;
        }
        NTSTATUS status = 0;
        HANDLE child = openRelative(folder, name, DELETE, &status);
        if (!child) // in use as a current folder: it can still be emptied, and then stays
            child = openRelative(folder, name, 0, &status);
        if (!child && goneMeanwhile(status))
            continue; // another run removed it first: as good as removed
        const bool removed =
            child && removeOpenEntry(child, path + L"\\" + name, walk, depth + 1, real, name);
        if (child)
            CloseHandle(child); // a child marked for deletion goes now, before its folder
        if (!removed) {
            empty = false;
            if (!child)
                walk.complete = false;
        }
    }
    CloseHandle(folder);
    if (!empty)
        return false;
    if (deleteOpen(entry))
        return true;
    if (depth > 0) // an emptied folder that stays; the walked folder itself is the caller's
        walk.complete = false;
    return false;
}
} // namespace

namespace Win32 {
bool startHidden(const std::wstring &commandLine, const std::wstring &program, void **process)
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
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    CloseHandle(started.hThread);
    if (process)
        *process = started.hProcess;
    else
        CloseHandle(started.hProcess);
    return true;
}

bool exitCode(void *process, unsigned long &code)
{
    DWORD status = 0;
    if (!process || WaitForSingleObject(process, 0) != WAIT_OBJECT_0
        || !GetExitCodeProcess(process, &status))
        return false;
    code = status;
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

std::wstring programFile()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size())
            return std::wstring(path.data(), length);
        path.resize(path.size() * 2); // a long path: try again with more room
    }
}

std::wstring programFolder()
{
    const std::wstring file = programFile();
    const std::wstring::size_type slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

unsigned linkCount(const std::wstring &file)
{
    HANDLE own = CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (own == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION about = {};
    const bool known = GetFileInformationByHandle(own, &about);
    CloseHandle(own);
    return known ? about.nNumberOfLinks : 0;
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

void *loadLibraryWithItsFolder(const std::wstring &path)
{
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

void *exportedAddress(void *module, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name));
}

std::wstring lastErrorText()
{
    const DWORD code = GetLastError();
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring result = length ? std::wstring(text, length) : L"error " + std::to_wstring(code);
    LocalFree(text);
    return result;
}

void messageBox(const std::wstring &title, const std::wstring &text, bool warning)
{
    MessageBoxW(nullptr, text.c_str(), title.c_str(),
                MB_OK | (warning ? MB_ICONWARNING : MB_ICONERROR));
}

bool removeTree(const std::wstring &path, bool keepHidden,
                void (*listed)(const std::wstring &folder))
{
    // The uninstaller's folder is usually its current folder, which opens only without DELETE.
    HANDLE root = INVALID_HANDLE_VALUE;
    for (const DWORD deletion : {static_cast<DWORD>(DELETE), 0UL}) {
        root = CreateFileW(path.c_str(), deletion | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
        if (root != INVALID_HANDLE_VALUE)
            break;
    }
    if (root == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    Walk walk = {keepHidden, listed, {}, true};
    const std::wstring self = programFile();
    HANDLE own = CreateFileW(self.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (own != INVALID_HANDLE_VALUE) {
        GetFileInformationByHandle(own, &walk.self);
        CloseHandle(own);
    }
    removeOpenEntry(root, path, walk, 0);
    CloseHandle(root);
    return walk.complete;
}

bool deleteEntry(const std::wstring &path)
{
    HANDLE entry =
        CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (entry == INVALID_HANDLE_VALUE)
        return false;
    FILE_BASIC_INFO about = {};
    bool deleted = false;
    if (GetFileInformationByHandleEx(entry, FileBasicInfo, &about, sizeof(about))
        && !(about.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (about.FileAttributes & FILE_ATTRIBUTE_READONLY) { // /F: read-only files too
            about.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            about.FileAttributes |= FILE_ATTRIBUTE_NORMAL * (about.FileAttributes == 0);
            SetFileInformationByHandle(entry, FileBasicInfo, &about, sizeof(about));
        }
        deleted = deleteOpen(entry);
    }
    CloseHandle(entry);
    return deleted;
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
