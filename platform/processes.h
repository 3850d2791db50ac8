#pragma once

#include <QString>
#include <QStringList>

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

// taskkill /IM <name> /F: every process of this user whose program name is <name>.
void killByName(const QString &name);
} // namespace Processes
