#include "systemplatform.h"

#include "ownfolder.h"
#include "removalwalk.h"
#include "windowscommandline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <link.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Stand-ins for what Windows' cmd, del, rmdir and taskkill would do, so that the same command
// lines work here: the commands are split by Windows' rules; del, rmdir and taskkill are done
// in this process, cmd /C starts a file by its absolute path. No program is ever looked up in
// this program's own folder or the current one, where anybody may have put one.

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
    return file.isAbsolute() && file.isFile() && file.isExecutable();
}

// A system tool, from the absolute folders on PATH only: an empty or relative entry (the
// current folder) and this program's own folder are passed over.
QString findSystemTool(const char *name)
{
    const QStringList folders =
        qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        // By device and inode: a link to the program's folder is that folder.
        if (!QDir::isAbsolutePath(folder) || OwnFolder::ofThisProcess().isThisFolder(folder))
            continue;
        const QFileInfo tool(QDir(folder).filePath(QLatin1String(name)));
        if (isProgram(tool))
            return tool.absoluteFilePath();
    }
    return {};
}

// What follows the switch of "cmd /C <text>", blank included; null when the line is not one.
// Plain scanning: the installer starts its first command while its window is being built.
QString cmdSwitchText(const QString &line)
{
    qsizetype at = 0;
    const auto blanks = [&line, &at] {
        const qsizetype from = at;
        while (at < line.size() && line[at].isSpace())
            ++at;
        return at > from;
    };
    const auto word = [&line, &at](QLatin1StringView text) {
        if (QStringView(line).mid(at, text.size()).compare(text, Qt::CaseInsensitive) != 0)
            return false;
        at += text.size();
        return true;
    };
    blanks();
    if (!word(QLatin1StringView("cmd")) || !blanks() || !word(QLatin1StringView("/C"))
        || at >= line.size() || !line[at].isSpace() || line.contains(QLatin1Char('\n')))
        return QString();
    return line.mid(at);
}

// Started children are waited for out of the way, so that none lingers as a zombie.
void reapLater(pid_t child)
{
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
}

// Started in a session of its own with stdio on /dev/null, and not waited for. posix_spawn
// rather than QProcess::startDetached: one vfork-like clone instead of two forks and a wait,
// which is most of what the launcher spends beyond loading its libraries.
bool startDetached(const QString &path, const QStringList &arguments)
{
    if (!isProgram(QFileInfo(path)))
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
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
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
    if (error != 0)
        return false;
    reapLater(pid);
    return true;
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
} // namespace

bool SystemPlatform::launch(const QString &programFile, const QString &commandLine)
{
    QStringList words = splitWindowsCommandLine(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return false;
    const QString program = words.takeFirst();
    if (!programFile.isEmpty())
        return startDetached(programFile, words);

    if (sameWord(program, "taskkill") && words.size() == 3 && sameWord(words[0], "/IM")
        && sameWord(words[2], "/F")) {
        killByName(words[1]);
        return true;
    }

    // cmd reads what follows /C by its own quote rule, not by the usual splitting.
    const QString afterSwitch = cmdSwitchText(commandLine);
    if (!afterSwitch.isNull()) {
        words = splitWindowsCommandLine(cmdCommandText(afterSwitch, [](const QString &path) {
            return isProgram(QFileInfo(posixPath(path)));
        }));
        if (words.isEmpty())
            return false;
        const QString target = posixPath(words.last());
        if (!QDir::isAbsolutePath(target))
            return false; // never relative to the current folder
        if (words.size() == 4 && sameWord(words[0], "del") && sameWord(words[1], "/Q")
            && sameWord(words[2], "/F")) {
            // That one entry (a link as itself); del leaves folders alone.
            struct stat entry = {};
            const QByteArray name = QFile::encodeName(target);
            if (::lstat(name.constData(), &entry) == 0 && !S_ISDIR(entry.st_mode))
                ::unlink(name.constData());
            return true;
        }
        if (words.size() == 4 && sameWord(words[0], "rmdir") && sameWord(words[1], "/S")
            && sameWord(words[2], "/Q")) {
            RemovalWalk::removeTree(target, RemovalWalk::Hidden::Remove);
            return true;
        }
        if (words.size() == 1) {
            const QFileInfo file(target);
            if (!file.exists())
                return false;
            if (isProgram(file))
                return startDetached(file.absoluteFilePath(), {});
            return startDetached(findSystemTool("xdg-open"), {file.absoluteFilePath()});
        }
        return false;
    }

    return false; // anything else only by an explicit program file
}

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
    return OwnFolder::ofThisProcess().path();
}

bool SystemPlatform::emptyProgramFolder()
{
    const OwnFolder &own = OwnFolder::ofThisProcess();
    return own.isProven() && !own.isMountRoot()
           && RemovalWalk::removeTreeAt(own.descriptor(), own.path());
}

void SystemPlatform::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void SystemPlatform::exitProcess(int status)
{
    std::exit(status);
}

namespace {
// An open folder that is this user's alone: a real folder (not a link), owned by the user, that
// nobody else may write to; -1 otherwise.
int openPrivateFolder(const QString &path, bool create)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || name[0] != '/')
        return -1;
    if (create)
        ::mkdir(name.constData(), 0700);
    const int folder = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat about = {};
    if (folder >= 0 && ::fstat(folder, &about) == 0 && about.st_uid == ::getuid()
        && !(about.st_mode & 022))
        return folder;
    if (folder >= 0)
        ::close(folder);
    return -1;
}
} // namespace

bool SystemPlatform::holdSingleInstance(const QString &name)
{
    // XDG_RUNTIME_DIR when it is the user's own; otherwise a folder of the user's own in the
    // temp folder. Never a shared file that another user could hold or plant.
    int folder = openPrivateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), false);
    if (folder < 0)
        folder = openPrivateFolder(QFile::decodeName(tempFolder()) + QStringLiteral("/zelvane-")
                                       + QString::number(::getuid()),
                                   true);
    if (folder < 0)
        return true; // as on Windows, a lock that cannot be made does not stop the program
    const QByteArray file = QFile::encodeName(name + QStringLiteral(".lock"));
    // Close-on-exec: a program we start must not carry the lock on after we end.
    const int fd =
        ::openat(folder, file.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    return true; // the descriptor stays open, and the lock held, until the process ends
}
