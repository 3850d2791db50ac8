#include "systemplatform.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
