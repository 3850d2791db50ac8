#include "productfolder.h"

#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// Absolute, clean, links resolved where the path exists, with a trailing slash, so that
// "is inside" is a plain prefix test. A path that is not absolute names no folder of its own:
// empty.
QString normalized(const QString &path)
{
    if (!Platform::isFullPath(path))
        return {};
    const QFileInfo info(path);
    QString clean =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
}

// The folders on PATH: the user's and the system's programs live there.
QStringList programPath()
{
    return qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
}
} // namespace

namespace ProductFolder {
bool mayBeEmptied(const QString &folder, const QStringList &wellKnown)
{
    const QString candidate = normalized(folder);
    if (candidate.isEmpty() || QDir(candidate).isRoot())
        return false;
    for (const QString &known : wellKnown) {
        const QString protectedFolder = normalized(known);
        // Equal, or holding it: the candidate's path is a prefix of the protected one's.
        if (!protectedFolder.isEmpty()
            && protectedFolder.startsWith(candidate, Platform::fileNameCase()))
            return false;
    }
    return true;
}

QStringList wellKnownFolders()
{
    QStringList folders = {QDir::homePath(), QDir::tempPath(), QDir::rootPath()};
    const QStandardPaths::StandardLocation locations[] = {
        QStandardPaths::HomeLocation,         QStandardPaths::DesktopLocation,
        QStandardPaths::DocumentsLocation,    QStandardPaths::DownloadLocation,
        QStandardPaths::MusicLocation,        QStandardPaths::PicturesLocation,
        QStandardPaths::MoviesLocation,       QStandardPaths::TempLocation,
        QStandardPaths::ApplicationsLocation, QStandardPaths::FontsLocation,
        QStandardPaths::GenericDataLocation,  QStandardPaths::GenericConfigLocation,
        QStandardPaths::GenericCacheLocation, QStandardPaths::PublicShareLocation,
        QStandardPaths::TemplatesLocation};
    for (const auto location : locations)
        folders << QStandardPaths::writableLocation(location);
    for (const auto folder :
         {Platform::Folder::Desktop, Platform::Folder::Startup, Platform::Folder::Programs})
        folders << platform().folderPath(folder);
    folders << platform().systemFolders();
    folders << programPath();
    folders.removeAll(QString());
    return folders;
}
} // namespace ProductFolder
