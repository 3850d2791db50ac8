#include "platform.h"

#include "removalwalk.h"
#include "systemplatform.h"

#include <QDir>
#include <QFileInfo>

namespace {
Platform *installed = nullptr;
}

Platform::~Platform() = default;

bool Platform::startHidden(const QString &commandLine)
{
    return !commandLine.isEmpty() && launch(QString(), commandLine);
}

bool Platform::startHidden(const QString &program, const QString &commandLine)
{
    return !program.isEmpty() && !commandLine.isEmpty() && launch(program, commandLine);
}

bool Platform::emptyProgramFolder()
{
    const QString folder = programFolder();
    return !folder.isEmpty() && RemovalWalk::removeTree(folder);
}

QString Platform::productFolder()
{
    return programFolder();
}

namespace {
// Absolute, clean, links resolved, with a trailing slash, so that "holds" is a prefix test.
QString normalized(const QString &path)
{
    const QFileInfo info(path);
    if (!Platform::isFullPath(path) || !info.exists())
        return {};
    QString clean = info.canonicalFilePath();
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
}
} // namespace

bool Platform::isOrHoldsAny(const QString &folder, const QStringList &others)
{
    const QString candidate = normalized(folder);
    if (candidate.isEmpty())
        return false;
    for (const QString &other : others) {
        const QString inside = normalized(other);
        if (!inside.isEmpty() && inside.startsWith(candidate, Platform::fileNameCase()))
            return true;
    }
    return false;
}

bool Platform::isVolumeRoot(const QString &folder)
{
    return QFileInfo(folder).isRoot();
}

bool Platform::isPlainFolderIn(const QString &parent, const QString &name)
{
    const QFileInfo entry(QDir(parent).filePath(name));
    return entry.isDir() && !entry.isSymbolicLink() && !entry.isJunction() && !entry.isShortcut();
}

Platform &platform()
{
    if (installed)
        return *installed;
    static SystemPlatform system;
    return system;
}

void setPlatform(Platform *instance)
{
    installed = instance;
}
