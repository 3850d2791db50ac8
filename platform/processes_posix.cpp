#include "processes.h"

#include "ownfolder.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
// Started children are waited for out of the way, so that none lingers as a zombie.
void reapLater(pid_t child)
{
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
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
} // namespace

namespace Processes {
bool isProgram(const QString &path)
{
    const QFileInfo file(path);
    return file.isAbsolute() && file.isFile() && file.isExecutable();
}

QString findSystemTool(const char *name)
{
    const QStringList folders =
        qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        // By device and inode: a link to the program's folder is that folder.
        if (!QDir::isAbsolutePath(folder) || OwnFolder::ofThisProcess().isThisFolder(folder))
            continue;
        const QFileInfo tool(QDir(folder).filePath(QLatin1String(name)));
        if (isProgram(tool.absoluteFilePath()))
            return tool.absoluteFilePath();
    }
    return {};
}

namespace {
// posix_spawn rather than QProcess::startDetached: one vfork-like clone instead of two forks and a
// wait, which is most of what the launcher spends beyond loading its libraries. With `held` >= 0
// the program is that open file, handed to the child as descriptor 3 (a script's interpreter
// reads it from there too).
pid_t spawn(const QByteArray &path, const QStringList &arguments, int held)
{
    std::vector<QByteArray> words = {held >= 0 ? QByteArrayLiteral("/proc/self/fd/3") : path};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    if (held >= 0)
        posix_spawn_file_actions_adddup2(&actions, held, 3);
    posix_spawn_file_actions_addclosefrom_np(&actions, held >= 0 ? 4 : 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&attributes, &mask);
    sigfillset(&mask);
    posix_spawnattr_setsigdefault(&attributes, &mask);

    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : 0;
}
} // namespace

bool startDetached(const QString &path, const QStringList &arguments)
{
    if (!isProgram(path))
        return false;
    const pid_t pid = spawn(QFile::encodeName(path), arguments, -1);
    if (pid == 0)
        return false;
    reapLater(pid);
    return true;
}

int openTrusted(const QString &path, QString *why)
{
    // Opened once, as itself: what is checked is what runs.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat file = {};
    if (fd < 0 || ::fstat(fd, &file) != 0) {
        *why = fd < 0 && errno == ENOENT ? QString() : Platform::notRegularText();
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    if (!S_ISREG(file.st_mode))
        *why = Platform::notRegularText();
    else if (file.st_uid != getuid() && file.st_uid != 0)
        *why = Platform::notOwnedText();
    else if (file.st_mode & (S_IWGRP | S_IWOTH))
        *why = Platform::writableText();
    else
        return fd;
    ::close(fd);
    return -1;
}

pid_t startWatched(int program, const QStringList &arguments)
{
    // Above 3, so that handing it over as 3 also clears its close-on-exec.
    const int above = ::fcntl(program, F_DUPFD_CLOEXEC, 4);
    ::close(program);
    if (above < 0)
        return 0;
    const pid_t pid = spawn(QByteArray(), arguments, above);
    ::close(above);
    return pid;
}

std::optional<int> exitStatus(pid_t child)
{
    static QHash<pid_t, int> ended; // a child is reaped once; its status is kept
    if (const auto known = ended.constFind(child); known != ended.constEnd())
        return *known;
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, WNOHANG) != child)
        return std::nullopt;
    return ended[child] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Plain system calls: this runs while the installer's first window is being built.
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
        // Exactly the name: " loding.exe" is another program.
        QByteArray comm = readProcFile(path, 64);
        if (comm.endsWith('\n'))
            comm.chop(1);
        if (comm != shortName)
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
} // namespace Processes
