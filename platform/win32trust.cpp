#include "win32api.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <vector>

// Whether a program file may run in this user's name: who owns it and who may change it, read
// from its security descriptor through the handle that is then held.

namespace {
// This user, SYSTEM, Administrators and TrustedInstaller: whoever else could change a program
// file could choose what runs.
std::vector<std::vector<BYTE>> trustedAccounts()
{
    std::vector<std::vector<BYTE>> accounts;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> user(size);
        if (size && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            const PSID sid = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
            const auto *bytes = static_cast<const BYTE *>(sid);
            accounts.emplace_back(bytes, bytes + GetLengthSid(sid));
        }
        CloseHandle(token);
    }
    for (const wchar_t *text :
         {L"S-1-5-18", L"S-1-5-32-544",
          L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"}) {
        PSID sid = nullptr;
        if (ConvertStringSidToSidW(text, &sid)) {
            const auto *bytes = static_cast<const BYTE *>(sid);
            accounts.emplace_back(bytes, bytes + GetLengthSid(sid));
            LocalFree(sid);
        }
    }
    return accounts;
}

bool isTrusted(PSID sid, const std::vector<std::vector<BYTE>> &accounts)
{
    for (const auto &account : accounts)
        if (EqualSid(sid, const_cast<BYTE *>(account.data())))
            return true;
    return false;
}

// Null when fit, else why not: the owner, then every entry that lets someone change the file.
Win32::Unfit judge(HANDLE file)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return Win32::Unfit::NotOwned;
    const auto accounts = trustedAccounts();
    Win32::Unfit why = Win32::Unfit::None;
    if (!owner || !isTrusted(owner, accounts)) {
        why = Win32::Unfit::NotOwned;
    } else if (!dacl) {
        why = Win32::Unfit::Writable; // no list at all: everybody may do everything
    } else {
        const ACCESS_MASK changes = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC
                                    | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
        for (DWORD i = 0; i < dacl->AceCount && why == Win32::Unfit::None; ++i) {
            ACE_HEADER *entry = nullptr;
            if (!GetAce(dacl, i, reinterpret_cast<void **>(&entry))
                || entry->AceType != ACCESS_ALLOWED_ACE_TYPE
                || (entry->AceFlags & INHERIT_ONLY_ACE))
                continue;
            const auto *allowed = reinterpret_cast<ACCESS_ALLOWED_ACE *>(entry);
            if ((allowed->Mask & changes)
                && !isTrusted(const_cast<DWORD *>(&allowed->SidStart), accounts))
                why = Win32::Unfit::Writable;
        }
    }
    LocalFree(descriptor);
    return why;
}
} // namespace

namespace Win32 {
void *openTrusted(const std::wstring &path, Unfit &why)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        why = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Unfit::Missing
                                                                             : Unfit::NotRegular;
        return nullptr;
    }
    FILE_BASIC_INFO about = {};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &about, sizeof(about))
        || (about.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        why = Unfit::NotRegular;
    else
        why = judge(file);
    if (why == Unfit::None)
        return file;
    CloseHandle(file);
    return nullptr;
}
} // namespace Win32
