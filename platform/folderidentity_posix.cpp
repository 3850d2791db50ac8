#include "ownfolder.h"
#include "systemplatform.h"

#include <QFile>
#include <QPair>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Folders as the file system knows them: device and inode, and the mount they lie on. A path is
// only the way in; every comparison is between what it led to.

namespace {
bool sameFolder(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

QString SystemPlatform::productFolder()
{
    const OwnFolder &own = OwnFolder::ofThisProcess();
    return own.holdsTheProgramAlone() ? own.path() : QString();
}

bool SystemPlatform::isOrHoldsAny(const QString &folder, const QStringList &others)
{
    struct stat candidate = {};
    if (!isFullPath(folder) || stat(QFile::encodeName(folder).constData(), &candidate) != 0
        || !S_ISDIR(candidate.st_mode))
        return false;
    // Up from each of `others` through "..", as the kernel resolves it: a link or bind mount on
    // the way in leads to the same folders as the plain path would. A folder met before was
    // looked at with all above it: the next walk stops there.
    QSet<QPair<dev_t, ino_t>> seen;
    for (const QString &other : others) {
        if (!isFullPath(other))
            continue;
        int level = open(QFile::encodeName(other).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        bool holds = false;
        for (int steps = 0; level >= 0 && steps < 4096 && !holds; ++steps) {
            struct stat here = {};
            if (fstat(level, &here) != 0 || seen.contains({here.st_dev, here.st_ino}))
                break;
            seen.insert({here.st_dev, here.st_ino});
            holds = sameFolder(here, candidate);
            const int up = openat(level, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(level);
            level = up; // the root is its own parent: seen, so the walk ends there
        }
        if (level >= 0)
            close(level);
        if (holds)
            return true;
    }
    return false;
}

bool SystemPlatform::isVolumeRoot(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    struct statx about = {};
    if (statx(AT_FDCWD, name.constData(), AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC, STATX_BASIC_STATS,
              &about)
        != 0)
        return false;
    if (about.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return about.stx_attributes & STATX_ATTR_MOUNT_ROOT;
    struct stat self = {}, parent = {};
    return stat(name.constData(), &self) == 0
           && (stat(QByteArray(name + "/..").constData(), &parent) != 0
               || parent.st_dev != self.st_dev || sameFolder(parent, self));
}

bool SystemPlatform::isPlainFolderIn(const QString &parent, const QString &name)
{
    const int folder =
        open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    struct statx entry = {}, above = {};
    const unsigned wanted = STATX_TYPE | STATX_MNT_ID;
    const bool known =
        statx(folder, QFile::encodeName(name).constData(),
              AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC, wanted, &entry)
            == 0
        && statx(folder, "", AT_EMPTY_PATH, wanted, &above) == 0;
    close(folder);
    return known && S_ISDIR(entry.stx_mode) && !(entry.stx_attributes & STATX_ATTR_MOUNT_ROOT)
           && entry.stx_dev_major == above.stx_dev_major
           && entry.stx_dev_minor == above.stx_dev_minor
           && (!(entry.stx_mask & above.stx_mask & STATX_MNT_ID)
               || entry.stx_mnt_id == above.stx_mnt_id);
}

bool SystemPlatform::isPlainFile(const QString &path)
{
    struct stat entry = {};
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0 && S_ISREG(entry.st_mode);
}
