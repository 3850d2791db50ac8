#pragma once

// The few Win32 calls of the platform layer, kept free of Qt so that exactly this code can
// be cross-built and tested on its own.

#include <string>
#include <vector>

namespace Win32 {
enum class Folder
{
    Desktop,
    Startup,
    Programs
};

// Starts a command line with its window hidden (what WinExec with SW_HIDE does, in Unicode)
// and does not wait for it. With an empty program the first word of the command line is a
// program's full path, or names a tool of the system folder (cmd, taskkill), never searched
// for; otherwise exactly that program file is started. The command line reaches the program
// unchanged either way.
// With `process`, the started process's handle goes there, for exitCode(), and stays open.
bool startHidden(const std::wstring &commandLine, const std::wstring &program = std::wstring(),
                 void **process = nullptr);

// Whether the process startHidden handed back has ended, and if so with which code.
bool exitCode(void *process, unsigned long &code);

// What makes a program file unfit to run in this user's name.
enum class Unfit
{
    None,
    Missing,
    NotRegular, // a folder, a link, a junction
    NotOwned,   // owned by neither this user nor SYSTEM, Administrators or TrustedInstaller
    Writable    // an account other than those may change it
};
// The program file at `path`, opened as itself and held without write or delete sharing, so
// that nobody can change or replace it while it is held; null when it is unfit (`why` says
// how). It stays open.
void *openTrusted(const std::wstring &path, Unfit &why);

// The current user's special folder, never created; empty when unknown.
std::wstring folderPath(Folder folder);

// The user's profile folder as the system knows it (not USERPROFILE); empty when unknown.
std::wstring profileFolder();

// The running program's executable, and its folder without a trailing backslash.
std::wstring programFile();
std::wstring programFolder();
// How many names (hard links) the file has; 0 when it cannot be told.
unsigned linkCount(const std::wstring &file);

// The folders the system itself names, whatever the environment says (win32folders.cpp): every
// known folder that is a real folder, the user's and the common ones; every profile on the
// machine and the folder that holds them; the OneDrive folders the registry names; Program
// Files and Common Files in each form; the Windows and system folders; every drive's root.
std::vector<std::wstring> systemFolders();

// Whether `folder` is one of `others` or holds one, decided by volume serial number and file
// ID through handles: walking up from each of `others` as given and as the system resolves it,
// so that another name, a link or junction above, or another spelling changes nothing. A
// `folder` that is no folder holds nothing.
bool isOrHoldsAny(const std::wstring &folder, const std::vector<std::wstring> &others);

// Whether `folder` is the root of a volume, drive or share, a volume mounted in a folder, or
// itself a junction or link: then its contents are not a product's.
bool isVolumeRoot(const std::wstring &folder);

// The path the system reports for an open entry, every link and junction on the way resolved
// (`\\?\` left off); empty when it cannot tell.
std::wstring finalPath(void *entry);
// Whether `real` is what `parentReal` and `name` spell (a link Wine shows as a folder is not).
bool isNamedIn(const std::wstring &real, const std::wstring &parentReal, const std::wstring &name);

// Whether `path` is, as itself, a regular file: no folder, link or junction.
bool isPlainFile(const std::wstring &path);

// Whether `name` in `parent` is, as itself, a folder on parent's volume: no link, junction or
// mount point.
bool isPlainFolderIn(const std::wstring &parent, const std::wstring &name);

void sleep(unsigned milliseconds);

// True when `address` lies in committed, executable memory of a loaded module's image.
bool isExecutableCode(const void *address);

// Loads the DLL at the full `path` so that the DLLs it needs come from its own folder first,
// then from the system folder; its module handle, or null when it cannot be loaded (then
// lastErrorText() says why). It stays loaded.
void *loadLibraryWithItsFolder(const std::wstring &path);

// The address a loaded module exports under `name`; null when it exports none.
void *exportedAddress(void *module, const char *name);

// The system's text for the calling thread's last error.
std::wstring lastErrorText();

// Shows the system's own message box (Ok only, no owner window) and waits for it.
void messageBox(const std::wstring &title, const std::wstring &text, bool warning);

// Removes the entry at `path` as the removal walk does (see removalwalk.h): every entry opened
// relative to its folder's open handle as itself (a link, junction or mount point is never
// followed, and is removed as itself), read-only files and what cannot be removed staying,
// hidden entries too when `keepHidden`. `listed` is called with each folder's path after the
// folder is listed, before its entries are opened. True when nothing below `path` stays that
// the walk meant to remove: hidden entries it keeps and the running program's own file, which
// Windows does not let go, are meant to stay.
bool removeTree(const std::wstring &path, bool keepHidden,
                void (*listed)(const std::wstring &folder));

// Deletes the entry at `path` as itself, as del /Q /F means it: a file, read-only too, or a
// link to a file; a folder, or a link or junction to one, stays. False when nothing went.
bool deleteEntry(const std::wstring &path);

// Creates the named mutex and keeps it for the rest of the process's life.
// False when it existed already, that is when another process holds it.
bool holdNamedMutex(const std::wstring &name);
} // namespace Win32
