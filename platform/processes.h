#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <sys/types.h>

// Programs started and ended on POSIX systems, for the stand-ins of Windows' commands.
namespace Processes {
// An absolute path to an executable file.
bool isProgram(const QString &path);

// A system tool, from the absolute folders on PATH only: an empty or relative entry (the
// current folder) and this program's own folder are passed over. Empty when there is none.
QString findSystemTool(const char *name);

// Started in a session of its own with stdio on /dev/null, and not waited for. False when
// `path` is not a program or it could not be started.
bool startDetached(const QString &path, const QStringList &arguments);

// The program file at `path` opened as itself (not through a link) for running in this user's
// name: a regular file owned by the user or root that neither group nor others may write to.
// Its descriptor, or -1 with `why` saying what is wrong (empty when there is no such file).
int openTrusted(const QString &path, QString *why);

// As startDetached, but runs the file open at `program` (from openTrusted, which it closes),
// so nothing can be swapped in between, and keeps the child for exitStatus(). Its pid, or 0.
pid_t startWatched(int program, const QStringList &arguments);

// How a child from startWatched has ended: its exit status (128 + the signal, for one that a
// signal ended); none while it runs.
std::optional<int> exitStatus(pid_t child);

// taskkill /IM <name> /F: every process of this user whose program name is <name>.
void killByName(const QString &name);
} // namespace Processes
