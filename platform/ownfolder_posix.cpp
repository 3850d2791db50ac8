#include "ownfolder.h"

#include <QFile>

#include <climits>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The running program's own headers hold an interpreter (PT_INTERP): it is dynamically linked.
bool namesALoader()
{
    const auto *header = reinterpret_cast<const ElfW(Phdr) *>(getauxval(AT_PHDR));
    const unsigned long count = getauxval(AT_PHNUM);
    for (unsigned long i = 0; header && i < count; ++i)
        if (header[i].p_type == PT_INTERP)
            return true;
    return false;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

const OwnFolder &OwnFolder::ofThisProcess()
{
    static const OwnFolder folder;
    return folder;
}

OwnFolder::OwnFolder()
{
    // Started by the kernel, a program that names a loader has it mapped beside it. Without
    // one the kernel ran the loader itself as the program, which then loaded this file:
    // /proc/self/exe names the loader.
    if (namesALoader() && getauxval(AT_BASE) == 0)
        return;

    // The running file itself, also when it has been deleted or its volume unmounted.
    struct stat running = {};
    if (stat("/proc/self/exe", &running) != 0 || running.st_nlink == 0)
        return;

    // Its name, as bytes. A name the kernel cannot give in PATH_MAX bytes fails here.
    char name[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", name, sizeof name);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof name) || name[0] != '/')
        return;
    const QByteArray file(name, length);
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray folder = slash == 0 ? QByteArray("/") : file.left(slash);
    const QByteArray base = file.mid(slash + 1);

    // The folder as text must lead back to exactly these bytes, or a look-alike name would be
    // used wherever the text is.
    const QString text = QFile::decodeName(folder);
    if (QFile::encodeName(text) != folder)
        return;

    // Proof: the folder of that name holds, under that name, the very file that runs. A
    // deleted program's "name (deleted)", a folder another volume used to cover, a link
    // planted under the name: none of them holds it.
    const int opened = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat entry = {}, self = {};
    if (opened < 0 || fstatat(opened, base.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0
        || !S_ISREG(entry.st_mode) || !sameFile(entry, running) || fstat(opened, &self) != 0) {
        if (opened >= 0)
            close(opened);
        return;
    }

    // A volume's root: the kernel says so, or (older kernels) its parent lies on another device.
    struct statx about = {};
    struct stat parent = {};
    if (statx(opened, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_BASIC_STATS, &about) == 0
        && (about.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        mountRoot_ = about.stx_attributes & STATX_ATTR_MOUNT_ROOT;
    else
        mountRoot_ = fstatat(opened, "..", &parent, 0) != 0 || parent.st_dev != self.st_dev;
    mountRoot_ = mountRoot_ || folder == "/";
    descriptor_ = opened;
    name_ = base;
    device_ = self.st_dev;
    inode_ = self.st_ino;
    path_ = text;
}

bool OwnFolder::holdsTheProgramAlone() const
{
    // The running file as it is now: /proc/self/exe leads to it whatever became of its name.
    struct statx running = {}, entry = {}, folder = {};
    const unsigned wanted = STATX_BASIC_STATS | STATX_MNT_ID;
    if (!isProven() || statx(AT_FDCWD, "/proc/self/exe", 0, wanted, &running) != 0
        || running.stx_nlink != 1 || (running.stx_attributes & STATX_ATTR_MOUNT_ROOT)
        || statx(descriptor_, name_.constData(), AT_SYMLINK_NOFOLLOW, wanted, &entry) != 0
        || statx(descriptor_, "", AT_EMPTY_PATH, wanted, &folder) != 0)
        return false;
    const bool same = entry.stx_ino == running.stx_ino
                      && entry.stx_dev_major == running.stx_dev_major
                      && entry.stx_dev_minor == running.stx_dev_minor;
    // A file bind-mounted over another lies on a mount of its own, not the folder's.
    const bool mountsKnown = (running.stx_mask & STATX_MNT_ID) && (folder.stx_mask & STATX_MNT_ID);
    const bool sameMount = !mountsKnown || running.stx_mnt_id == folder.stx_mnt_id;
    return same && sameMount && isThisFolder(path_);
}

bool OwnFolder::isThisFolder(const QString &folder) const
{
    struct stat about = {};
    return isProven() && stat(QFile::encodeName(folder).constData(), &about) == 0
           && about.st_dev == device_ && about.st_ino == inode_;
}
