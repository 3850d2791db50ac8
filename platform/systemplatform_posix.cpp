#include "systemplatform.h"

#include "windowscommandline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdint>
#include <dlfcn.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Stand-ins for what Windows' cmd, del, rmdir and taskkill would do, so that the same command
// lines work here: the commands are split by Windows' rules and mapped onto POSIX programs.

namespace {
bool sameWord(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// The backslash that joins folder and name in the Windows forms becomes a slash.
QString posixPath(QString path)
{
    const qsizetype joint = path.lastIndexOf(QLatin1Char('\\'));
    if (joint >= 0)
        path[joint] = QLatin1Char('/');
    return path;
}

bool isProgram(const QFileInfo &file)
{
    return file.isFile() && file.isExecutable();
}

// A bare name is looked for in the program's own folder first, then in PATH.
QString findProgram(const QString &program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return isProgram(file) ? file.absoluteFilePath() : QString();
    }
    const QFileInfo own(QDir(SystemPlatform().programFolder()).filePath(program));
    if (isProgram(own))
        return own.absoluteFilePath();
    return QStandardPaths::findExecutable(program);
}

bool startDetached(const QString &program, const QStringList &arguments)
{
    const QString path = findProgram(program);
    if (path.isEmpty())
        return false;
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readLine()).trimmed();
}

// taskkill /IM <name> /F: every process of this user whose program name is <name>.
void killByName(const QString &name)
{
    const uint me = getuid();
    const qint64 self = getpid();
    // The kernel keeps only 15 characters of a program's name.
    const QString shortName = name.left(15);
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : pids) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QString folder = QStringLiteral("/proc/") + entry;
        if (QFileInfo(folder).ownerId() != me)
            continue;
        if (readFirstLine(folder + QStringLiteral("/comm")) != shortName)
            continue;
        if (name.size() > 15) {
            QFile cmdline(folder + QStringLiteral("/cmdline"));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            const QString first = QFile::decodeName(cmdline.readAll().split('\0').value(0));
            if (first.section(QLatin1Char('/'), -1) != name)
                continue;
        }
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}
} // namespace

bool SystemPlatform::launch(const QString &programFile, const QString &commandLine)
{
    QStringList words = splitWindowsCommandLine(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return false;
    const QString program = words.takeFirst();
    if (!programFile.isEmpty()) {
        const QFileInfo file(programFile);
        return isProgram(file) && startDetached(file.absoluteFilePath(), words);
    }

    if (sameWord(program, "cmd") && words.size() >= 2 && sameWord(words.first(), "/C")) {
        words.removeFirst();
        if (words.size() == 4 && sameWord(words[0], "del") && sameWord(words[1], "/Q")
            && sameWord(words[2], "/F"))
            return startDetached(QStringLiteral("rm"),
                                 {QStringLiteral("-f"), QStringLiteral("--"), posixPath(words[3])});
        if (words.size() == 4 && sameWord(words[0], "rmdir") && sameWord(words[1], "/S")
            && sameWord(words[2], "/Q"))
            return startDetached(QStringLiteral("rm"),
                                 {QStringLiteral("-rf"), QStringLiteral("--"), posixPath(words[3])});
        if (words.size() == 1) {
            const QFileInfo file(posixPath(words[0]));
            if (!file.exists())
                return false;
            if (isProgram(file))
                return startDetached(file.absoluteFilePath(), {});
            return startDetached(QStringLiteral("xdg-open"), {file.absoluteFilePath()});
        }
        return false;
    }

    if (sameWord(program, "taskkill") && words.size() == 3 && sameWord(words[0], "/IM")
        && sameWord(words[2], "/F")) {
        killByName(words[1]);
        return true;
    }

    return startDetached(program, words);
}

QString SystemPlatform::folderPath(Folder folder)
{
    switch (folder) {
    case Folder::Desktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case Folder::Startup: {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        return config.isEmpty() ? QString() : config + QStringLiteral("/autostart");
    }
    case Folder::Programs: {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        return data.isEmpty() ? QString() : data + QStringLiteral("/applications");
    }
    }
    return {};
}

bool isExecutableCode(const void *address)
{
    Dl_info module;
    if (dladdr(address, &module) == 0 || !module.dli_fname)
        return false; // not inside any loaded module
    // ...and inside one of its executable mappings, not its data.
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const auto where = reinterpret_cast<std::uintptr_t>(address);
    // readAll, not atEnd: the kernel reports the file's size as 0.
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        const QList<QByteArray> range = fields[0].split('-');
        if (range.size() != 2)
            continue;
        const auto start = static_cast<std::uintptr_t>(range[0].toULongLong(nullptr, 16));
        const auto end = static_cast<std::uintptr_t>(range[1].toULongLong(nullptr, 16));
        if (where >= start && where < end)
            return fields[1].size() >= 3 && fields[1].at(2) == 'x';
    }
    return false;
}

QString SystemPlatform::programFolder()
{
    // Works with or without an application object, unlike QCoreApplication's.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

void SystemPlatform::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void SystemPlatform::exitProcess(int status)
{
    std::exit(status);
}

bool SystemPlatform::holdSingleInstance(const QString &name)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name + QStringLiteral(".lock"));
    // Close-on-exec: a program we start must not carry the lock on after we end.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // as on Windows, a lock that cannot be made does not stop the program
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    return true; // the descriptor stays open, and the lock held, until the process ends
}
