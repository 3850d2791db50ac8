#include "systemplatform.h"

#include "windowscommandline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <cstdint>
#include <link.h>
#include <spawn.h>
#include <vector>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Stand-ins for what Windows' cmd, del, rmdir and taskkill would do, so that the same command
// lines work here: the commands are split by Windows' rules and mapped onto POSIX programs.

extern char **environ;

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

// Started in a session of its own with stdio on /dev/null, and not waited for. posix_spawn
// rather than QProcess::startDetached: one vfork-like clone instead of two forks and a wait,
// which is most of what the launcher spends beyond loading its libraries.
bool startDetached(const QString &program, const QStringList &arguments)
{
    const QString path = findProgram(program);
    if (path.isEmpty())
        return false;
    std::vector<QByteArray> words = {QFile::encodeName(path)};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&attributes, &mask);
    sigfillset(&mask);
    posix_spawnattr_setsigdefault(&attributes, &mask);

    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0;
}

// The first `size` bytes of a small /proc file, or an empty array.
QByteArray readProcFile(const char *path, qsizetype size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray data(size, '\0');
    const ssize_t got = ::read(fd, data.data(), static_cast<size_t>(size));
    ::close(fd);
    data.truncate(got > 0 ? got : 0);
    return data;
}

// taskkill /IM <name> /F: every process of this user whose program name is <name>. Plain
// system calls: this runs while the installer's first window is being built.
void killByName(const QString &name)
{
    const QByteArray wanted = QFile::encodeName(name);
    // The kernel keeps only 15 characters of a program's name.
    const QByteArray shortName = wanted.left(15);
    const uid_t me = getuid();
    const pid_t self = getpid();
    DIR *proc = opendir("/proc");
    if (!proc)
        return;
    while (const dirent *entry = readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        // The name first: most processes differ in it, and it is one read.
        char path[64];
        std::snprintf(path, sizeof(path), "/proc/%ld/comm", pid);
        if (readProcFile(path, 64).trimmed() != shortName)
            continue;
        struct stat owner = {};
        std::snprintf(path, sizeof(path), "/proc/%ld", pid);
        if (::stat(path, &owner) != 0 || owner.st_uid != me)
            continue;
        if (wanted.size() > 15) {
            std::snprintf(path, sizeof(path), "/proc/%ld/cmdline", pid);
            const QByteArray first = readProcFile(path, 4096).split('\0').value(0);
            if (first.mid(first.lastIndexOf('/') + 1) != wanted)
                continue;
        }
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    closedir(proc);
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
    // Inside one of the executable segments of a loaded module, as its program headers
    // describe them: nothing to read from /proc, nothing a data item could pass.
    struct Query
    {
        std::uintptr_t where;
        bool found;
    } query = {reinterpret_cast<std::uintptr_t>(address), false};
    dl_iterate_phdr(
        [](dl_phdr_info *module, size_t, void *data) {
            auto *q = static_cast<Query *>(data);
            for (ElfW(Half) i = 0; i < module->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = module->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X))
                    continue;
                const std::uintptr_t start = module->dlpi_addr + segment.p_vaddr;
                if (q->where >= start && q->where < start + segment.p_memsz) {
                    q->found = true;
                    return 1;
                }
            }
            return 0;
        },
        &query);
    return query.found;
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
