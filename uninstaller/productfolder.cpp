#include "productfolder.h"

#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity pathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity pathCase = Qt::CaseSensitive;
#endif

// Absolute, clean, links resolved where the path exists, with a trailing slash, so that
// "is inside" is a plain prefix test.
QString normalized(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    QString clean = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
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
        if (!protectedFolder.isEmpty() && protectedFolder.startsWith(candidate, pathCase))
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
    for (const auto folder : {Platform::Folder::Desktop, Platform::Folder::Startup, Platform::Folder::Programs})
        folders << platform().folderPath(folder);
#ifdef Q_OS_WIN
    for (const char *variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot",
                                 "windir", "SystemDrive", "ProgramData", "PUBLIC", "ALLUSERSPROFILE",
                                 "USERPROFILE", "APPDATA", "LOCALAPPDATA"})
        folders << qEnvironmentVariable(variable);
    folders << qEnvironmentVariable("SystemRoot") + QStringLiteral("/System32")
            << qEnvironmentVariable("SystemRoot") + QStringLiteral("/SysWOW64");
#else
    for (const char *system : {"/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/lib32", "/lib64",
                               "/media", "/mnt", "/opt", "/proc", "/root", "/run", "/sbin", "/srv",
                               "/sys", "/tmp", "/usr", "/usr/bin", "/usr/lib", "/usr/local",
                               "/usr/local/bin", "/usr/share", "/var", "/var/tmp"})
        folders << QString::fromLatin1(system);
#endif
    folders.removeAll(QString());
    return folders;
}
} // namespace ProductFolder
