#include "productfolder.h"

#include "platform.h"
#include "systemplatform.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "win32api.h"
#else
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

namespace {
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity pathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity pathCase = Qt::CaseSensitive;
#endif

// Fully spelled out: Windows' "C:" is absolute to Qt, yet it is the current folder on drive C.
bool isAbsolute(const QString &path)
{
#ifdef Q_OS_WIN
    const QString clean = QDir::fromNativeSeparators(path);
    return (clean.size() >= 3 && clean[0].isLetter() && clean[1] == QLatin1Char(':')
            && clean[2] == QLatin1Char('/'))
           || clean.startsWith(QLatin1String("//"));
#else
    return path.startsWith(QLatin1Char('/'));
#endif
}

// Absolute, clean, links resolved where the path exists, with a trailing slash, so that
// "is inside" is a plain prefix test. A path that is not absolute names no folder of its own:
// empty.
QString normalized(const QString &path)
{
    if (!isAbsolute(path))
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

#ifndef Q_OS_WIN
// The home folder the account has, whatever HOME says.
QString accountHome()
{
    passwd entry = {};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found
        || !found->pw_dir)
        return {};
    return QFile::decodeName(found->pw_dir);
}
#endif
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
    for (const auto folder :
         {Platform::Folder::Desktop, Platform::Folder::Startup, Platform::Folder::Programs})
        folders << platform().folderPath(folder);
#ifdef Q_OS_WIN
    for (const char *variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot",
                                 "windir", "SystemDrive", "ProgramData", "PUBLIC",
                                 "ALLUSERSPROFILE", "USERPROFILE", "APPDATA", "LOCALAPPDATA"})
        folders << qEnvironmentVariable(variable);
    folders << qEnvironmentVariable("SystemRoot") + QStringLiteral("/System32")
            << qEnvironmentVariable("SystemRoot") + QStringLiteral("/SysWOW64");
    // The profile as the system knows it, also when USERPROFILE is missing.
    folders << QString::fromStdWString(Win32::profileFolder());
#else
    folders << accountHome();
    for (const auto &[variable, underHome] : {std::pair{"XDG_DATA_HOME", ".local/share"},
                                              {"XDG_CONFIG_HOME", ".config"},
                                              {"XDG_STATE_HOME", ".local/state"},
                                              {"XDG_CACHE_HOME", ".cache"},
                                              {"", ".local/bin"},
                                              {"", "bin"}})
        folders << SystemPlatform::userFolder(variable, underHome);
    for (const char *system : {"/bin",      "/boot",      "/dev",           "/etc",
                               "/home",     "/lib",       "/lib32",         "/lib64",
                               "/media",    "/mnt",       "/opt",           "/proc",
                               "/root",     "/run",       "/sbin",          "/srv",
                               "/sys",      "/tmp",       "/usr",           "/usr/bin",
                               "/usr/lib",  "/usr/local", "/usr/local/bin", "/usr/share",
                               "/var",      "/var/tmp",   "/usr/games",     "/usr/local/sbin",
                               "/usr/sbin", "/snap",      "/snap/bin"})
        folders << QString::fromLatin1(system);
#endif
    folders << programPath();
    folders.removeAll(QString());
    return folders;
}
} // namespace ProductFolder
