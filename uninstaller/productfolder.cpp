#include "productfolder.h"

#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The folders on PATH: the user's and the system's programs live there.
QStringList programPath()
{
    return qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
}
} // namespace

namespace ProductFolder {
bool mayBeEmptied(const QString &folder, const QStringList &wellKnown)
{
    // Each protected folder is looked at as the system knows it (platform.h): a name that is
    // not spelled out in full names no folder of its own and protects nothing.
    if (!Platform::isFullPath(folder) || !QFileInfo(folder).isDir() || QDir(folder).isRoot()
        || platform().isVolumeRoot(folder))
        return false; // nothing to empty, or a whole volume
    return !platform().isOrHoldsAny(folder, wellKnown);
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
