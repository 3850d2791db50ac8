// A stand-in for the real setup program, for whole runs under Wine: lays out a demo product in
// %ProgramFiles%\Zelvane2.0 (with the uninstaller.exe that lies beside it, a hidden file and a
// recorder.exe as the product's program), the Desktop and Startup shortcuts to that program,
// and the Start-menu group; notes that it ran in setup-ran.txt beside itself. With a file
// setup-fails.txt beside it, it only ends with the status that file holds, as a failed setup.
#include <windows.h>

#include <cstdlib>
#include <shlobj.h>
#include <string>

namespace {
std::wstring specialFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE);
    return path;
}

void write(const std::wstring &file, const char *text)
{
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(handle);
}

bool shortcut(const std::wstring &link, const std::wstring &target)
{
    IShellLinkW *shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void **>(&shellLink))))
        return false;
    shellLink->SetPath(target.c_str());
    IPersistFile *file = nullptr;
    bool saved = false;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
        saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
        file->Release();
    }
    shellLink->Release();
    return saved;
}
} // namespace

int wmain()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring here(self);
    here = here.substr(0, here.find_last_of(L'\\'));

    HANDLE fails = CreateFileW((here + L"\\setup-fails.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (fails != INVALID_HANDLE_VALUE) {
        char status[16] = {};
        DWORD got = 0;
        ReadFile(fails, status, sizeof(status) - 1, &got, nullptr);
        CloseHandle(fails);
        return atoi(status);
    }

    CoInitialize(nullptr);
    const std::wstring product = specialFolder(CSIDL_PROGRAM_FILES) + L"\\Zelvane2.0";
    for (const wchar_t *folder : {L"", L"\\lessons", L"\\lessons\\数学", L"\\paint"})
        CreateDirectoryW((product + folder).c_str(), nullptr);
    write(product + L"\\lessons\\数学\\第一课.txt", "1+1=2\n");
    write(product + L"\\paint\\palette.txt", "colours\n");
    write(product + L"\\lessons\\.settings", "kept: hidden\n");
    SetFileAttributesW((product + L"\\lessons\\.settings").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CopyFileW((here + L"\\uninstaller.exe").c_str(), (product + L"\\uninstaller.exe").c_str(),
              FALSE);
    CopyFileW((here + L"\\recorder.exe").c_str(), (product + L"\\zelvane.exe").c_str(), FALSE);

    const std::wstring name = L"\\Zelvane儿童电脑操作系统2.0.lnk";
    bool laidOut =
        shortcut(specialFolder(CSIDL_DESKTOPDIRECTORY) + name, product + L"\\zelvane.exe");
    laidOut = shortcut(specialFolder(CSIDL_STARTUP) + name, product + L"\\zelvane.exe") && laidOut;
    const std::wstring group = specialFolder(CSIDL_PROGRAMS) + L"\\Zelvane2.0";
    CreateDirectoryW(group.c_str(), nullptr);
    laidOut = shortcut(group + L"\\Zelvane.lnk", product + L"\\zelvane.exe") && laidOut;
    CoUninitialize();

    write(here + L"\\setup-ran.txt", laidOut ? "laid out\n" : "shortcuts failed\n");
    return laidOut ? 0 : 1;
}
