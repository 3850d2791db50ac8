// Runs the platform layer's Win32 code for real, under Windows or Wine: hidden starts,
// special folders, cmd's del/rmdir/open, taskkill, the named lock, the launcher's checks on
// the update library, and each program's resources.
#include "win32api.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <knownfolders.h>
#include <shlobj.h>
#include <string>
#include <vector>

namespace {
int passed = 0;
int failed = 0;

void check(bool ok, const char *what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    (ok ? passed : failed)++;
}

std::string utf8(const std::wstring &text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

bool exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool waitFor(const std::function<bool()> &condition, int milliseconds = 15000)
{
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition())
            return true;
        Sleep(50);
    }
    return condition();
}

void writeFile(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::wstring &path)
{
    FILE *in = _wfopen(path.c_str(), L"rb");
    if (!in)
        return std::string();
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0)
        text.append(buffer, n);
    std::fclose(in);
    return text;
}

// Starts a process with a handle to it, for the test's own bookkeeping.
HANDLE spawn(const std::wstring &commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD runAndWait(const std::wstring &commandLine)
{
    HANDLE process = spawn(commandLine);
    if (!process)
        return 0xFFFF;
    WaitForSingleObject(process, 30000);
    DWORD status = 0xFFFF;
    GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return status;
}

const std::wstring folder = Win32::programFolder();
const std::wstring work = folder + L"\\work";

std::string recordedBy(const std::wstring &commandLine,
                       const std::wstring &program = std::wstring())
{
    const std::wstring record = folder + L"\\recorded.txt";
    DeleteFileW(record.c_str());
    if (!Win32::startHidden(commandLine, program))
        return "not started";
    waitFor([&] { return exists(record); });
    return readFile(record);
}

void hiddenStarts()
{
    const std::wstring line =
        L"\"" + folder
        + L"\\recorder.exe\" plain \"with blank\" 中文 \"C:\\路径 with blanks\\更新.zup\"";
    check(recordedBy(line) == "hidden\n" + utf8(line) + "\n",
          "a command line reaches the program unchanged, hidden");

    // The self-updater: started from an exact file, it still sees the plain command line.
    const std::wstring updater = L"updateSelf.exe C:\\My Updates\\Zelvane 2.1 更新.zup";
    check(recordedBy(updater, folder + L"\\recorder.exe") == "hidden\n" + utf8(updater) + "\n",
          "an explicit program sees the command line unchanged");

    check(!Win32::startHidden(L"zelvane-no-such-program.exe /x"),
          "a missing program is reported as not started");
    check(!Win32::startHidden(L"updateSelf.exe x", folder + L"\\no-such\\updateSelf.exe"),
          "a missing explicit program is reported as not started");
}

void specialFolders()
{
    const std::wstring desktop = Win32::folderPath(Win32::Folder::Desktop);
    const std::wstring programs = Win32::folderPath(Win32::Folder::Programs);
    const std::wstring startup = Win32::folderPath(Win32::Folder::Startup);
    check(!desktop.empty() && exists(desktop), "the Desktop folder comes back");
    check(!programs.empty() && exists(programs), "the Start-menu Programs folder comes back");
    check(!startup.empty() && exists(startup), "the Startup folder comes back");

    // Asked for while it is missing, it is not created.
    if (RemoveDirectoryW(startup.c_str())) {
        const std::wstring again = Win32::folderPath(Win32::Folder::Startup);
        check(!exists(startup), "a missing special folder is not created");
        CreateDirectoryW(startup.c_str(), nullptr);
        (void)again;
    } else {
        check(false, "the Startup folder could be removed to test that it is not created");
    }
}

void removalWalk()
{
    // What the uninstaller empties: visible entries go; a hidden file, the folders holding it
    // and a read-only file stay; every folder is reported listed before its entries are touched.
    const std::wstring product = work + L"\\Zelvane2.0";
    for (const wchar_t *folder : {L"", L"\\课程", L"\\课程\\深", L"\\paint"})
        CreateDirectoryW((product + folder).c_str(), nullptr);
    for (const wchar_t *file :
         {L"\\a.txt", L"\\课程\\深\\b.txt", L"\\课程\\settings", L"\\paint\\c.txt", L"\\ro.dat"})
        writeFile(product + file);
    SetFileAttributesW((product + L"\\课程\\settings").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((product + L"\\ro.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    static int listings = 0;
    // Started from its own folder, as the uninstaller is: that folder is the current one.
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(product.c_str());
    const bool complete =
        Win32::removeTree(product, true, [](const std::wstring &) { ++listings; });
    SetCurrentDirectoryW(before);
    check(!exists(product + L"\\a.txt") && !exists(product + L"\\paint")
              && !exists(product + L"\\课程\\深"),
          "the walk removes the visible entries");
    check(exists(product + L"\\课程\\settings") && exists(product + L"\\ro.dat"),
          "a hidden and a read-only file stay");
    check(listings == 4, "each folder is reported once listed");
    check(!complete, "the read-only file that stays makes the walk incomplete");
    SetFileAttributesW((product + L"\\ro.dat").c_str(), FILE_ATTRIBUTE_NORMAL);

    // A file another program holds open without read sharing still goes: at once where the
    // system has POSIX deletion (and its folder with it), else when its holder lets go. One
    // held without delete sharing stays, and the walk says so.
    for (const wchar_t *folder : {L"\\held", L"\\locked"})
        CreateDirectoryW((product + folder).c_str(), nullptr);
    writeFile(product + L"\\held\\in use.txt");
    writeFile(product + L"\\locked\\in use.txt");
    HANDLE held = CreateFileW((product + L"\\held\\in use.txt").c_str(), GENERIC_WRITE,
                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE locked =
        CreateFileW((product + L"\\locked\\in use.txt").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    check(held != INVALID_HANDLE_VALUE && locked != INVALID_HANDLE_VALUE, "two files held open");
    const bool withLocked = Win32::removeTree(product, true, nullptr);
    CloseHandle(held);
    CloseHandle(locked);
    check(!exists(product + L"\\held\\in use.txt"),
          "a file held open with delete sharing only is removed");
    check(exists(product + L"\\locked\\in use.txt") && !withLocked,
          "one held without delete sharing stays: incomplete");
    check(Win32::removeTree(product, true, nullptr), "once it is free, the walk is complete");
    check(exists(product + L"\\课程\\settings"), "hidden entries stay in a complete walk");
    Win32::removeTree(product, false, nullptr);
    check(!exists(product), "with hidden entries too, the whole tree goes");
}

void cmdBuiltins()
{
    CreateDirectoryW(work.c_str(), nullptr);
    const std::wstring shortcut = work + L"\\Zelvane儿童电脑操作系统2.0.lnk";
    writeFile(shortcut);
    writeFile(work + L"\\other.lnk");
    SetFileAttributesW(shortcut.c_str(), FILE_ATTRIBUTE_READONLY);
    check(Win32::startHidden(L"cmd /C del /Q /F \"" + shortcut + L"\""), "cmd del starts");
    check(waitFor([&] { return !exists(shortcut); }), "del /Q /F removes the read-only shortcut");
    check(exists(work + L"\\other.lnk"), "del leaves the other file alone");

    const std::wstring group = work + L"\\Programs\\Zelvane2.0";
    CreateDirectoryW((work + L"\\Programs").c_str(), nullptr);
    CreateDirectoryW(group.c_str(), nullptr);
    CreateDirectoryW((group + L"\\子目录").c_str(), nullptr);
    writeFile(group + L"\\子目录\\Zelvane.lnk");
    writeFile(group + L"\\卸载.lnk");
    check(Win32::startHidden(L"cmd /C rmdir /S /Q \"" + group + L"\""), "cmd rmdir starts");
    check(waitFor([&] { return !exists(group); }),
          "rmdir /S /Q removes the group with its contents");
    check(exists(work + L"\\Programs"), "rmdir leaves the folder above alone");

    const std::wstring record = folder + L"\\recorded.txt";
    DeleteFileW(record.c_str());
    check(Win32::startHidden(L"cmd /C \"" + folder + L"\\recorder.exe\""), "cmd open starts");
    check(waitFor([&] { return exists(record); }), "cmd /C \"<file>\" starts the file");

    // A cmd.exe beside this program (a downloads folder) is never the one started.
    const std::wstring planted = folder + L"\\cmd.exe";
    CopyFileW((folder + L"\\recorder.exe").c_str(), planted.c_str(), FALSE);
    DeleteFileW(record.c_str());
    check(Win32::startHidden(L"cmd /C \"" + folder + L"\\recorder.exe\" real"),
          "cmd starts beside a planted cmd.exe");
    check(waitFor([&] { return exists(record); }), "the file is started");
    check(readFile(record).find("\ncmd") == std::string::npos,
          "by the system's cmd, not the planted one");
    DeleteFileW(planted.c_str());
    check(!Win32::startHidden(L".\\recorder.exe"),
          "a program named relative to the current folder is never started");
}

void taskkill()
{
    const std::wstring splash = work + L"\\loding.exe";
    const std::wstring other = work + L"\\loding2.exe";
    CopyFileW((folder + L"\\sleeper.exe").c_str(), splash.c_str(), FALSE);
    CopyFileW((folder + L"\\sleeper.exe").c_str(), other.c_str(), FALSE);
    HANDLE splashProcess = spawn(L"\"" + splash + L"\"");
    HANDLE otherProcess = spawn(L"\"" + other + L"\"");
    check(splashProcess && otherProcess, "the stand-in splash runs");
    Sleep(500);
    check(Win32::startHidden(L"taskkill /IM loding.exe /F"), "taskkill starts");
    check(WaitForSingleObject(splashProcess, 15000) == WAIT_OBJECT_0,
          "taskkill ends the process of that name");
    check(WaitForSingleObject(otherProcess, 500) == WAIT_TIMEOUT,
          "taskkill leaves other processes alone");
    TerminateProcess(otherProcess, 0);
    CloseHandle(splashProcess);
    CloseHandle(otherProcess);
}

void namedLock()
{
    check(runAndWait(L"\"" + folder + L"\\mutexprobe.exe\"") == 0,
          "the lock is free while nobody holds it");
    check(Win32::holdNamedMutex(L"OrvixUpdateManager"), "the first holder gets the lock");
    check(runAndWait(L"\"" + folder + L"\\mutexprobe.exe\"") == 1, "a second process sees it held");
    check(!Win32::holdNamedMutex(L"OrvixUpdateManager"), "asking again sees it held");
}

using Entry = void (*)(int, char **, void *);

void updateLibraryChecks()
{
    HMODULE contract = LoadLibraryW((folder + L"\\data\\orvixupdate.dll").c_str());
    const auto exported = reinterpret_cast<const void *>(GetProcAddress(contract, "updatemanager"));
    check(exported != nullptr, "the contract library exports updatemanager");
    if (exported) {
        const Entry entry = *static_cast<const Entry *>(exported);
        check(Win32::isExecutableCode(reinterpret_cast<const void *>(entry)),
              "the address it holds is code: accepted");
        check(!Win32::isExecutableCode(exported), "the data item itself is not code");
    }

    HMODULE direct = LoadLibraryW((folder + L"\\function\\orvixupdate.dll").c_str());
    const auto function = reinterpret_cast<const void *>(GetProcAddress(direct, "updatemanager"));
    check(function != nullptr && Win32::isExecutableCode(function),
          "the other library exports the function itself");
    if (function) {
        const Entry entry = *static_cast<const Entry *>(function); // its first code bytes
        check(!Win32::isExecutableCode(reinterpret_cast<const void *>(entry)),
              "what its code bytes hold is no code: rejected, nothing called");
    }
    int local = 0;
    check(!Win32::isExecutableCode(&local) && !Win32::isExecutableCode(nullptr),
          "stack and null are not code");

    // From the program's own folder only: one planted in the current folder is not used.
    SetCurrentDirectoryW((folder + L"\\data").c_str());
    check(LoadLibraryW((folder + L"\\orvixupdate.dll").c_str()) == nullptr,
          "no library beside the program: nothing loaded, not even the planted one");
    SetCurrentDirectoryW(folder.c_str());
}

void libraryBesideItsDependencies()
{
    // With DLLs searched for in the system folder only, as the programs do, a library still
    // finds the DLL beside it when the launcher loads it, and only so.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::wstring user = folder + L"\\beside\\besideuser.dll";
    check(LoadLibraryW(user.c_str()) == nullptr, "a plain load misses the DLL beside a library");
    check(Win32::loadLibraryWithItsFolder(user), "loaded with its folder, it finds that DLL");
}

void resources()
{
    for (const wchar_t *program : {L"installer", L"uninstaller", L"launcher"}) {
        const std::string name =
            "resources of " + utf8(program) + ": IDI_ICON1 48x48x32 alone, version 2.0";
        check(runAndWait(L"\"" + folder + L"\\resources_" + program + L".exe\"") == 0,
              name.c_str());
    }
}
// A second name of a file (a hard link in another folder) is seen; the running program has one.
void fileNames()
{
    check(Win32::linkCount(Win32::programFile()) == 1, "the running program has one name");
    const std::wstring first = folder + L"\\names-first.txt",
                       second = folder + L"\\names-second.txt";
    DeleteFileW(second.c_str());
    writeFile(first);
    check(Win32::linkCount(first) == 1, "a new file has one name");
    check(CreateHardLinkW(second.c_str(), first.c_str(), nullptr) != 0
              && Win32::linkCount(first) == 2,
          "with a hard link, two names");
    DeleteFileW(second.c_str());
    check(Win32::linkCount(first) == 1, "one name again once the link is gone");
    DeleteFileW(first.c_str());
}
std::wstring knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::wstring found;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)))
        found = path;
    CoTaskMemFree(path);
    return found;
}

// Under Wine, a host command on the host paths of `paths` (Wine starts host programs too); true
// when it could be started.
bool onHost(const wchar_t *command, const std::vector<std::wstring> &paths)
{
    using UnixName = char *(CDECL *)(const wchar_t *);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    std::wstring line = command;
    for (const std::wstring &path : paths) {
        char *name = unixName(path.c_str());
        line += L" \"" + std::wstring(name, name + strlen(name)) + L"\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const std::wstring program = L"Z:\\bin\\" + line.substr(0, line.find(L' '));
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// A link `link` to the folder `target`. Under Wine a host link, which a Windows program sees as
// a plain folder, as it sees a folder reached through a junction on Windows.
bool folderLink(const std::wstring &link, const std::wstring &target)
{
    if (!onHost(L"ln -sfn", {target, link}))
        CreateSymbolicLinkW(link.c_str(), target.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY
                                | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    return waitFor([&] { return exists(link); });
}

void removeLink(const std::wstring &link)
{
    if (!onHost(L"rm -f", {link}))
        RemoveDirectoryW(link.c_str());
    check(waitFor([&] { return !exists(link); }), "the test's links are gone");
}

// Which folders the uninstaller must never empty, as the system knows them: each row is a
// folder the uninstaller emptied when this was decided by path text and environment.
void protectedFolders()
{
    const std::wstring oneDrive = work + L"\\OneDrive", business = work + L"\\OneDrive - Firma";
    const std::wstring alias = work + L"\\alias of the profile", users = work + L"\\alias of Users";
    const std::wstring profile = knownFolder(FOLDERID_Profile);
    for (const std::wstring &made : {work, oneDrive, business})
        CreateDirectoryW(made.c_str(), nullptr);
    check(folderLink(alias, profile) && folderLink(users, knownFolder(FOLDERID_UserProfiles)),
          "links made to the profile and to the folder of profiles");
    const wchar_t *const key = L"Software\\Microsoft\\OneDrive";
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"UserFolder", REG_SZ, oneDrive.c_str(),
                    static_cast<DWORD>((oneDrive.size() + 1) * sizeof(wchar_t)));
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\OneDrive\\Accounts\\Business1",
                    L"UserFolder", REG_SZ, business.c_str(),
                    static_cast<DWORD>((business.size() + 1) * sizeof(wchar_t)));
    // A cleared environment takes nothing away from what the system itself knows.
    std::vector<std::pair<std::wstring, std::wstring>> cleared;
    for (const wchar_t *name :
         {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"CommonProgramFiles",
          L"ProgramData", L"ALLUSERSPROFILE", L"PUBLIC", L"USERPROFILE", L"APPDATA"}) {
        wchar_t value[32768] = {};
        if (GetEnvironmentVariableW(name, value, 32768))
            cleared.emplace_back(name, value);
        SetEnvironmentVariableW(name, nullptr);
    }
    const std::vector<std::wstring> known = Win32::systemFolders();
    const auto refused = [&](const std::wstring &candidate) {
        return Win32::isVolumeRoot(candidate) || Win32::isOrHoldsAny(candidate, known);
    };
    const std::wstring favorites = knownFolder(FOLDERID_Favorites);
    std::wstring upper = favorites;
    CharUpperW(upper.data());
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(knownFolder(FOLDERID_ProgramFilesX86).c_str(), shortName, MAX_PATH);
    const struct
    {
        std::wstring folder;
        const char *what;
    } rows[] = {
        {favorites, "Favorites"},
        {knownFolder(FOLDERID_SavedGames), "Saved Games"},
        {knownFolder(FOLDERID_Contacts), "Contacts"},
        {knownFolder(FOLDERID_PublicDocuments), "the public Documents"},
        {knownFolder(FOLDERID_PublicDesktop), "the public Desktop"},
        {knownFolder(FOLDERID_ProgramFilesCommon), "Common Files"},
        {knownFolder(FOLDERID_ProgramFilesX86), "Program Files (x86), its variables unset"},
        {knownFolder(FOLDERID_ProgramData), "ProgramData, its variables unset"},
        {oneDrive, "the OneDrive folder the registry names"},
        {business, "a OneDrive account's folder the registry names"},
        {L"\\\\?\\" + favorites, "Favorites spelled with \\\\?\\"},
        {upper, "Favorites spelled in capitals"},
        {shortName, "Program Files (x86) by its short name"},
        {alias, "the profile through a link"},
        {alias + L"\\Favorites", "Favorites through a link above it"},
        {users, "the folder of profiles through a link"},
        {L"C:\\", "a drive's root"},
        {L"Z:\\proc", "a volume mounted in a folder"},
    };
    for (const auto &row : rows)
        check(!row.folder.empty() && refused(row.folder),
              ("refused: " + std::string(row.what) + " (" + utf8(row.folder) + ")").c_str());
    // A product folder inside any of them is the product's.
    for (const std::wstring &product :
         {favorites + L"\\Zelvane2.0", alias + L"\\Zelvane2.0", work + L"\\Zelvane2.0"}) {
        CreateDirectoryW(product.c_str(), nullptr);
        check(!refused(product), ("a product folder may be emptied: " + utf8(product)).c_str());
        RemoveDirectoryW(product.c_str());
    }
    // A link on the same volume too, and the walk leaves what one inside a tree leads to.
    const std::wstring sameVolume = work + L"\\link to OneDrive", tree = work + L"\\linked tree";
    CreateDirectoryW(tree.c_str(), nullptr);
    writeFile(oneDrive + L"\\canary.txt");
    check(folderLink(sameVolume, oneDrive) && folderLink(tree + L"\\inside", oneDrive),
          "links made to a folder on the same volume");
    check(Win32::isPlainFolderIn(work, L"OneDrive")
              && !Win32::isPlainFolderIn(work, L"alias of Users")
              && !Win32::isPlainFolderIn(work, L"link to OneDrive")
              && !Win32::isPlainFolderIn(L"Z:\\", L"proc"),
          "a group folder is plain, a link or a mount point is not");
    Win32::removeTree(tree, false, nullptr);
    check(exists(oneDrive + L"\\canary.txt"), "the walk does not go through a link inside it");
    removeLink(sameVolume);
    removeLink(tree + L"\\inside");
    RemoveDirectoryW(tree.c_str());
    DeleteFileW((oneDrive + L"\\canary.txt").c_str());

    for (const auto &[name, value] : cleared)
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    removeLink(alias);
    removeLink(users);
    for (const std::wstring &made : {oneDrive, business})
        RemoveDirectoryW(made.c_str());
}
// A setup program is run only when it is this user's (or the system's) and nobody else may
// change it, and held so while it runs; how it ended comes back through cmd.
void checkedPrograms()
{
    const std::wstring fit = work + L"\\fit.exe", open = work + L"\\everyone's.exe",
                       given = work + L"\\given away.exe", folder = work + L"\\folder.exe";
    for (const std::wstring &file : {fit, open, given})
        writeFile(file);
    CreateDirectoryW(folder.c_str(), nullptr);
    const bool host = onHost(L"chmod 666", {open}) && onHost(L"chown nobody", {given});
    Win32::Unfit why = Win32::Unfit::None;
    void *held = Win32::openTrusted(fit, why);
    check(held && why == Win32::Unfit::None, "the user's own program file is fit, and held");
    check(CreateFileW(fit.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr)
                  == INVALID_HANDLE_VALUE
              && !DeleteFileW(fit.c_str()),
          "while held it can be neither changed nor deleted");
    CloseHandle(held);
    const struct
    {
        std::wstring file;
        Win32::Unfit unfit;
        const char *what;
    } rows[] = {{open, Win32::Unfit::Writable, "everybody may write to it"},
                {given, Win32::Unfit::NotOwned, "another account's"},
                {folder, Win32::Unfit::NotRegular, "a folder"},
                {work + L"\\none.exe", Win32::Unfit::Missing, "none there"}};
    for (const auto &row : rows) {
        if (!host && row.unfit != Win32::Unfit::NotRegular && row.unfit != Win32::Unfit::Missing)
            continue; // on Windows, made by hand
        // The host commands end in their own time: wait for what they do.
        check(waitFor([&] { return !Win32::openTrusted(row.file, why) && why == row.unfit; }),
              ("refused: " + std::string(row.what)).c_str());
    }
    // cmd guesses no extension here: a .bat beside a missing file is neither opened nor run.
    writeFile(work + L"\\setup.exe.bat");
    writeFile(work + L"\\missing.lnk.bat");
    check(!Win32::openTrusted(work + L"\\setup.exe", why) && why == Win32::Unfit::Missing
              && !Win32::isPlainFile(work + L"\\missing.lnk") && Win32::isPlainFile(fit),
          "a missing setup.exe or shortcut is missing, whatever lies beside it");
    // del of the Startup shortcut's name: a folder, or a link to one, stays with its files.
    writeFile(folder + L"\\homework.txt");
    const std::wstring linked = work + L"\\linked.lnk";
    // (A folder itself: tst_removalwalk, through the platform.)
    check((!folderLink(linked, folder) || !Win32::deleteEntry(linked))
              && exists(folder + L"\\homework.txt"),
          "del leaves a link to a folder, and its files");
    removeLink(linked);
    for (const wchar_t *file : {L"\\setup.exe.bat", L"\\missing.lnk.bat"})
        DeleteFileW((work + file).c_str());
    DeleteFileW((folder + L"\\homework.txt").c_str());
    void *process = nullptr;
    unsigned long code = 0;
    check(Win32::startHidden(L"cmd /C exit 7", std::wstring(), &process)
              && waitFor([&] { return Win32::exitCode(process, code); }) && code == 7,
          "cmd /C hands back the status of what it ran");
    for (const std::wstring &file : {fit, open, given})
        onHost(L"rm -f", {file}) || DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}
} // namespace

int wmain()
{
    check(!folder.empty() && exists(folder + L"\\tst_win32.exe"), "the program's own folder");
    hiddenStarts();
    specialFolders();
    fileNames();
    protectedFolders();
    checkedPrograms();
    cmdBuiltins();
    removalWalk();
    taskkill();
    namedLock();
    updateLibraryChecks();
    resources();
    libraryBesideItsDependencies(); // last: it narrows where this process finds DLLs
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
