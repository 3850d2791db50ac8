#pragma once

// The few Win32 calls of the platform layer, kept free of Qt so that exactly this code can
// be cross-built and tested on its own.

#include <string>

namespace Win32 {
enum class Folder { Desktop, Startup, Programs };

// Starts a command line with its window hidden (what WinExec with SW_HIDE does, in Unicode)
// and does not wait for it. With an empty program the first word of the command line is
// searched for as Windows searches; otherwise exactly that program file is started.
bool startHidden(const std::wstring &commandLine, const std::wstring &program = std::wstring());

// The current user's special folder, never created; empty when unknown.
std::wstring folderPath(Folder folder);

// The folder of the running program's executable, without a trailing backslash.
std::wstring programFolder();

void sleep(unsigned milliseconds);

// True when `address` lies in committed, executable memory of a loaded module's image.
bool isExecutableCode(const void *address);

// Creates the named mutex and keeps it for the rest of the process's life.
// False when it existed already, that is when another process holds it.
bool holdNamedMutex(const std::wstring &name);
} // namespace Win32
