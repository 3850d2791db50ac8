#include "win32api.h"

#include <windows.h>

#include <cstring>
#include <shlobj.h>
#include <shobjidl.h>
#include <utility>
#include <vector>

// Folders as the file system knows them: the volume's serial number and the file's ID, read
// through a handle. A path is only the way in; every comparison is between what it led to.

namespace {
struct Identity
{
    ULONGLONG volume = 0;
    BYTE file[16] = {};
    bool operator==(const Identity &other) const
    {
        return volume == other.volume && std::memcmp(file, other.file, sizeof(file)) == 0;
    }
};

// "\\?\C:\x" as "C:\x" and "\\?\UNC\server\share" as "\\server\share", so that one folder
// has one spelling however it was reached.
std::wstring withoutLongPrefix(const std::wstring &path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0 && path.size() > 5 && path[5] == L':')
        return path.substr(4);
    return path;
}

HANDLE openEntry(const std::wstring &path, bool followLink)
{
    return CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

bool identityOf(HANDLE entry, Identity &identity)
{
    // The 128-bit ID where the system has it (ReFS needs it), else the 64-bit one.
    struct
    {
        ULONGLONG VolumeSerialNumber;
        BYTE FileId[16];
    } id = {};
    if (GetFileInformationByHandleEx(entry,
                                     static_cast<FILE_INFO_BY_HANDLE_CLASS>(18), // FileIdInfo
                                     &id, sizeof(id))) {
        identity.volume = id.VolumeSerialNumber;
        std::memcpy(identity.file, id.FileId, sizeof(identity.file));
        return true;
    }
    BY_HANDLE_FILE_INFORMATION about = {};
    if (!GetFileInformationByHandle(entry, &about))
        return false;
    identity.volume = about.dwVolumeSerialNumber;
    const ULONGLONG index = (ULONGLONG(about.nFileIndexHigh) << 32) | about.nFileIndexLow;
    std::memcpy(identity.file, &index, sizeof(index));
    return true;
}

// The path the system reports for what `path` leads to, and its attributes.
bool finalPathOf(const std::wstring &path, std::wstring &real, DWORD *attributes = nullptr)
{
    HANDLE entry = openEntry(path, true);
    if (entry == INVALID_HANDLE_VALUE)
        return false;
    real = Win32::finalPath(entry);
    FILE_BASIC_INFO about = {};
    const bool known =
        !real.empty()
        && (!attributes
            || GetFileInformationByHandleEx(entry, FileBasicInfo, &about, sizeof(about)));
    if (attributes)
        *attributes = about.FileAttributes;
    CloseHandle(entry);
    return known;
}

// What `path` leads to, or is itself when not `followLink`, and its attributes.
bool identityOf(const std::wstring &path, Identity &identity, DWORD *attributes = nullptr,
                bool followLink = true)
{
    HANDLE entry = openEntry(path, followLink);
    if (entry == INVALID_HANDLE_VALUE)
        return false;
    FILE_BASIC_INFO about = {};
    const bool known = identityOf(entry, identity)
                       && GetFileInformationByHandleEx(entry, FileBasicInfo, &about, sizeof(about));
    if (attributes)
        *attributes = about.FileAttributes;
    CloseHandle(entry);
    return known;
}

// The path one folder up, as text; empty at a drive's or a share's root.
std::wstring parentText(std::wstring path)
{
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash < 2 || path.back() == L':')
        return std::wstring(); // "C:", or the "\\server" of a share
    std::wstring parent = path.substr(0, slash);
    if (parent.back() == L':')
        parent += L'\\';
    if (parent.rfind(L"\\\\", 0) == 0 && parent.find(L'\\', 2) == std::wstring::npos)
        return std::wstring();
    return parent;
}

// The system's expansion, with the Windows folder's own drive and path for the two variables a
// cleared environment would leave unexpanded.
std::wstring expanded(std::wstring text)
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 2 && length < MAX_PATH) {
        for (const auto &[name, value] :
             {std::pair<std::wstring, std::wstring>{L"%SystemRoot%", std::wstring(windows, length)},
              {L"%SystemDrive%", std::wstring(windows, 2)}}) {
            for (std::wstring::size_type at; (at = text.find(name)) != std::wstring::npos;)
                text.replace(at, name.size(), value);
        }
    }
    std::vector<wchar_t> result(32768);
    const DWORD size =
        ExpandEnvironmentStringsW(text.c_str(), result.data(), static_cast<DWORD>(result.size()));
    return size && size <= result.size() ? std::wstring(result.data()) : text;
}

std::wstring registryText(HKEY root, const wchar_t *key, const wchar_t *value)
{
    std::vector<wchar_t> text(32768);
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                     text.data(), &size)
        != ERROR_SUCCESS)
        return std::wstring();
    return expanded(text.data());
}

// `value` of `key` and of each of its subkeys.
void addFromRegistry(std::vector<std::wstring> &folders, HKEY root, const wchar_t *key,
                     const std::vector<const wchar_t *> &values, const wchar_t *subkeyValue)
{
    for (const wchar_t *value : values)
        folders.push_back(registryText(root, key, value));
    HKEY opened = nullptr;
    if (!subkeyValue || RegOpenKeyExW(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(opened, index, name, &size, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        folders.push_back(registryText(opened, name, subkeyValue));
    }
    RegCloseKey(opened);
}

// Every known folder the system enumerates that is a real folder, whether it exists or not.
void addKnownFolders(std::vector<std::wstring> &folders)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IKnownFolderManager *manager = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IKnownFolderManager, reinterpret_cast<void **>(&manager)))) {
        KNOWNFOLDERID *ids = nullptr;
        UINT count = 0;
        if (SUCCEEDED(manager->GetFolderIds(&ids, &count))) {
            for (UINT i = 0; i < count; ++i) {
                IKnownFolder *folder = nullptr;
                if (FAILED(manager->GetFolder(ids[i], &folder)))
                    continue;
                KF_CATEGORY category = KF_CATEGORY_VIRTUAL;
                PWSTR path = nullptr;
                if (SUCCEEDED(folder->GetCategory(&category)) && category != KF_CATEGORY_VIRTUAL
                    && SUCCEEDED(folder->GetPath(KF_FLAG_DONT_VERIFY, &path)) && path)
                    folders.emplace_back(path);
                CoTaskMemFree(path);
                folder->Release();
            }
            CoTaskMemFree(ids);
        }
        manager->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
}

using System = UINT(WINAPI *)(LPWSTR, UINT);
std::wstring systemPath(System call)
{
    wchar_t path[MAX_PATH] = {};
    const UINT length = call(path, MAX_PATH);
    return length && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

// The folder of `path` that is its volume's root, by the system's own reckoning.
std::wstring volumePathOf(const std::wstring &path)
{
    std::vector<wchar_t> root(path.size() + MAX_PATH);
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size())))
        return std::wstring();
    return root.data();
}
} // namespace

namespace Win32 {
std::wstring finalPath(void *entry)
{
    std::vector<wchar_t> text(MAX_PATH);
    DWORD length =
        GetFinalPathNameByHandleW(entry, text.data(), static_cast<DWORD>(text.size()), 0);
    if (length >= text.size()) {
        text.resize(length + 1);
        length = GetFinalPathNameByHandleW(entry, text.data(), static_cast<DWORD>(text.size()), 0);
    }
    return length && length < text.size() ? withoutLongPrefix({text.data(), length})
                                          : std::wstring();
}

bool isNamedIn(const std::wstring &real, const std::wstring &parentReal, const std::wstring &name)
{
    std::wstring named = parentReal;
    if (named.empty() || named.back() != L'\\')
        named += L'\\';
    named += name;
    return !real.empty() && real.size() == named.size()
           && CompareStringOrdinal(real.c_str(), static_cast<int>(real.size()), named.c_str(),
                                   static_cast<int>(named.size()), TRUE)
                  == CSTR_EQUAL;
}

std::vector<std::wstring> systemFolders()
{
    std::vector<std::wstring> folders;
    addKnownFolders(folders);
    // Every profile, the folder that holds them, and the common ones.
    addFromRegistry(folders, HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                    {L"ProfilesDirectory", L"Default", L"Public", L"ProgramData"},
                    L"ProfileImagePath");
    // Synced with the cloud: a deletion there goes everywhere.
    addFromRegistry(folders, HKEY_CURRENT_USER, L"Software\\Microsoft\\OneDrive", {L"UserFolder"},
                    nullptr);
    addFromRegistry(folders, HKEY_CURRENT_USER, L"Software\\Microsoft\\OneDrive\\Accounts", {},
                    L"UserFolder");
    addFromRegistry(folders, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                    {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir",
                     L"CommonFilesDir", L"CommonFilesDir (x86)", L"CommonW6432Dir"},
                    nullptr);
    for (const System call : {System(GetWindowsDirectoryW), System(GetSystemWindowsDirectoryW),
                              System(GetSystemDirectoryW), System(GetSystemWow64DirectoryW)})
        folders.push_back(systemPath(call));
    folders.push_back(profileFolder());
    // The root of every drive, mapped ones too.
    std::vector<wchar_t> drives(GetLogicalDriveStringsW(0, nullptr) + 1);
    GetLogicalDriveStringsW(static_cast<DWORD>(drives.size()), drives.data());
    for (const wchar_t *drive = drives.data(); *drive; drive += wcslen(drive) + 1)
        folders.emplace_back(drive);
    std::vector<std::wstring> known;
    for (const std::wstring &folder : folders)
        if (!folder.empty())
            known.push_back(folder);
    return known;
}

bool isOrHoldsAny(const std::wstring &folder, const std::vector<std::wstring> &others)
{
    std::wstring real;
    DWORD attributes = 0;
    if (!finalPathOf(folder, real, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // The path the system reports for a handle has every link, junction, short name and odd
    // spelling on the way resolved: the folders that hold what it leads to are exactly its
    // leading parts. So one look at each of `others` tells, however it was spelled or reached.
    if (real.back() != L'\\')
        real += L'\\';
    const int length = static_cast<int>(real.size());
    for (const std::wstring &other : others) {
        std::wstring inside;
        if (!finalPathOf(other, inside))
            continue;
        inside += L'\\';
        if (inside.size() >= real.size()
            && CompareStringOrdinal(real.c_str(), length, inside.c_str(), length, TRUE)
                   == CSTR_EQUAL)
            return true;
    }
    return false;
}

bool isVolumeRoot(const std::wstring &folder)
{
    Identity self, root, above, itself;
    std::wstring real;
    DWORD own = 0;
    if (!finalPathOf(folder, real) || !identityOf(folder, self))
        return false;
    // A drive's or share's root, or a volume mounted in a folder.
    const std::wstring volume = volumePathOf(folder);
    if (volume.empty() || (identityOf(volume, root) && root == self))
        return true;
    const std::wstring parent = parentText(real);
    if (parent.empty() || !identityOf(parent, above) || above.volume != self.volume)
        return true;
    // Itself a junction or mount point: whatever it leads to is not the product's.
    return identityOf(folder, itself, &own, false) && (own & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool isPlainFile(const std::wstring &path)
{
    Identity entry;
    DWORD attributes = 0;
    return identityOf(path, entry, &attributes, false)
           && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool isPlainFolderIn(const std::wstring &parent, const std::wstring &name)
{
    Identity above, entry;
    DWORD attributes = 0;
    std::wstring parentReal, real;
    // Also where the system says it is: a host link under Wine shows as a plain folder.
    return identityOf(parent, above) && identityOf(parent + L"\\" + name, entry, &attributes, false)
           && (attributes & FILE_ATTRIBUTE_DIRECTORY)
           && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && entry.volume == above.volume
           && finalPathOf(parent, parentReal) && finalPathOf(parent + L"\\" + name, real)
           && isNamedIn(real, parentReal, name);
}
} // namespace Win32
