#include "ownfolder.h"
#include "removalwalk.h"
#include "systemplatform.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// The user folders a home's user-dirs.dirs names (Desktop, Documents, ...), read as the XDG
// rules say: XDG_<NAME>_DIR="$HOME/<path>" or "/<path>"; any other value is ignored, so a
// relative one never stands for a folder under the current one.
QHash<QByteArray, QString> userDirs(const QString &home, const QString &configFolder)
{
    QHash<QByteArray, QString> dirs;
    QFile file(configFolder + QStringLiteral("/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly))
        return dirs;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (!line.startsWith("XDG_") || equals < 0)
            continue; // a comment, or not a user folder
        const QByteArray key = line.left(equals);
        QByteArray value = line.mid(equals + 1);
        if (!key.endsWith("_DIR") || value.size() < 2 || !value.startsWith('"')
            || !value.endsWith('"'))
            continue;
        value = value.mid(1, value.size() - 2).replace("\\\"", "\"");
        QString folder;
        if (value == "$HOME" || value.startsWith("$HOME/"))
            folder = home + QFile::decodeName(value.mid(5));
        else if (value.startsWith('/'))
            folder = QFile::decodeName(value);
        if (!folder.isEmpty())
            dirs.insert(key.mid(4, key.size() - 8), QDir::cleanPath(folder));
    }
    return dirs;
}

// The account's home as its password entry has it.
QString homeOf(const passwd *account)
{
    return account && account->pw_dir && account->pw_dir[0] == '/'
               ? QDir::cleanPath(QFile::decodeName(account->pw_dir))
               : QString();
}
} // namespace

QString SystemPlatform::folderPath(Folder folder)
{
    // Without a usable HOME, Qt would take "/" for it: what derives from it is unknown instead.
    QString base;
    switch (folder) {
    case Folder::Desktop: {
        const QString home = userFolder("HOME", "");
        if (home.isEmpty())
            return {};
        const QString named = userDirs(home, userFolder("XDG_CONFIG_HOME", ".config"))
                                  .value(QByteArrayLiteral("DESKTOP"));
        return named.isEmpty() ? home + QStringLiteral("/Desktop") : named;
    }
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
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0)
        return {};
    return homeOf(found);
}

// Every account's home in the password database: root may run an uninstaller that lies in
// any of them.
QStringList everyHome()
{
    QStringList homes;
    passwd entry = {};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    setpwent();
    while (getpwent_r(&entry, buffer.data(), buffer.size(), &found) == 0 && found)
        homes << homeOf(found);
    endpwent();
    return homes;
}
} // namespace

QStringList SystemPlatform::systemFolders()
{
    // The homes that count, and the user folders each names: HOME's with the configuration
    // folder the environment gives, the others with their own.
    const QString home = userFolder("HOME", "");
    QStringList homes = {accountHome()};
    if (geteuid() == 0)
        homes << everyHome();
    homes.removeAll(QString());
    homes.removeDuplicates();
    QStringList folders = homes;
    if (!home.isEmpty()) {
        folders << home;
        folders << userDirs(home, userFolder("XDG_CONFIG_HOME", ".config")).values();
    }
    for (const QString &other : std::as_const(homes))
        folders << userDirs(other, other + QStringLiteral("/.config")).values();
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
