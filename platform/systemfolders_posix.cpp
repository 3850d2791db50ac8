#include "ownfolder.h"
#include "removalwalk.h"
#include "systemplatform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

QString SystemPlatform::folderPath(Folder folder)
{
    // Without a usable HOME, Qt would take "/" for it: what derives from it is unknown instead.
    QString base;
    switch (folder) {
    case Folder::Desktop:
        return userFolder("HOME", "").isEmpty()
                   ? QString()
                   : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case Folder::Startup:
        base = userFolder("XDG_CONFIG_HOME", ".config");
        return base.isEmpty() ? QString() : base + QStringLiteral("/autostart");
    case Folder::Programs:
        base = userFolder("XDG_DATA_HOME", ".local/share");
        return base.isEmpty() ? QString() : base + QStringLiteral("/applications");
    }
    return {};
}

QByteArray SystemPlatform::tempFolder()
{
    const QByteArray variable = qgetenv("TMPDIR");
    struct stat about = {};
    if (variable.startsWith('/') && ::stat(variable.constData(), &about) == 0
        && S_ISDIR(about.st_mode))
        return variable;
    return QByteArrayLiteral("/tmp");
}

QString SystemPlatform::userFolder(const char *variable, const char *underHome)
{
    // As the XDG rules say: a relative value is ignored; HOME unset, empty or relative is unknown.
    const QString value = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = qEnvironmentVariable("HOME");
    if (qstrcmp(variable, "HOME") == 0 || !QDir::isAbsolutePath(home))
        return {};
    return QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(underHome));
}

QString SystemPlatform::programFolder()
{
    // Works with or without an application object, unlike QCoreApplication's.
    return OwnFolder::ofThisProcess().path();
}

bool SystemPlatform::emptyProgramFolder()
{
    const OwnFolder &own = OwnFolder::ofThisProcess();
    return own.isProven() && !own.isMountRoot()
           && RemovalWalk::removeTreeAt(own.descriptor(), own.path());
}

Qt::CaseSensitivity Platform::fileNameCase()
{
    return Qt::CaseSensitive;
}

bool Platform::isFullPath(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

namespace {
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
} // namespace

QStringList SystemPlatform::systemFolders()
{
    QStringList folders = {accountHome()};
    for (const auto &[variable, underHome] : {std::pair{"XDG_DATA_HOME", ".local/share"},
                                              {"XDG_CONFIG_HOME", ".config"},
                                              {"XDG_STATE_HOME", ".local/state"},
                                              {"XDG_CACHE_HOME", ".cache"},
                                              {"", ".local/bin"},
                                              {"", "bin"}})
        folders << userFolder(variable, underHome);
    for (const char *system : {"/bin",      "/boot",      "/dev",           "/etc",
                               "/home",     "/lib",       "/lib32",         "/lib64",
                               "/media",    "/mnt",       "/opt",           "/proc",
                               "/root",     "/run",       "/sbin",          "/srv",
                               "/sys",      "/tmp",       "/usr",           "/usr/bin",
                               "/usr/lib",  "/usr/local", "/usr/local/bin", "/usr/share",
                               "/var",      "/var/tmp",   "/usr/games",     "/usr/local/sbin",
                               "/usr/sbin", "/snap",      "/snap/bin"})
        folders << QString::fromLatin1(system);
    return folders;
}
