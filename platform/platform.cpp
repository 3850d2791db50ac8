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

Platform::ProcessId Platform::startChecked(const QString &commandLine, const QString &program,
                                           QString *why)
{
    Checked checked{program, 0, QString()};
    if (!commandLine.isEmpty() && !program.isEmpty() && launch(QString(), commandLine, &checked)
        && checked.started != 0)
        return checked.started;
    if (why)
        *why = checked.why;
    return 0;
}

QString Platform::notOwnedText()
{
    return QStringLiteral("它不属于当前用户或系统。");
}

QString Platform::writableText()
{
    return QStringLiteral("其他用户可以修改它。");
}

QString Platform::notRegularText()
{
    return QStringLiteral("它不是一个普通文件。");
}

QString Platform::startFailedText()
{
    return QStringLiteral("它无法启动。");
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

bool Platform::isPlainFile(const QString &path)
{
    const QFileInfo entry(path);
    return entry.isFile() && !entry.isSymbolicLink() && !entry.isJunction();
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
