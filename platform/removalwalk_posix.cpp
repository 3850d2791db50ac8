#include "removalwalk.h"

#include <QFile>

#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

// Everything relative to open folder descriptors: a name is examined with statx, a folder
// entered with openat(O_NOFOLLOW | O_DIRECTORY), an entry removed with unlinkat. A path is
// never resolved again, so nothing swapped in after a listing can lead the walk elsewhere.

namespace {
void (*listedHook)(const QString &) = nullptr;

struct Walk
{
    // Where the walk started: its file system, and its mount (a bind mount of a folder of the
    // same file system has the same device; only the mount tells it apart).
    dev_t device;
    std::uint64_t mount;
    bool keepHidden;
    bool complete;    // nothing stays that the walk meant to remove
    std::string path; // of the folder being walked, for the hook: one buffer for every level
    int depth;
};
constexpr int deepest = 1000; // deeper than that stays: one descriptor is open a level

// The mount an open folder lies on; 0 where the system cannot tell.
std::uint64_t mountOf(int folder)
{
    struct statx about = {};
    if (statx(folder, "", AT_EMPTY_PATH, STATX_MNT_ID, &about) != 0
        || !(about.stx_mask & STATX_MNT_ID))
        return 0;
    return about.stx_mnt_id;
}

bool onWalkedMount(int folder, const Walk &walk)
{
    struct stat self = {};
    return fstat(folder, &self) == 0 && self.st_dev == walk.device && mountOf(folder) == walk.mount;
}

std::vector<std::string> list(int folder)
{
    std::vector<std::string> names;
    // fdopendir owns the descriptor it is given: a duplicate, so `folder` stays open.
    const int listing = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            close(listing);
        return names;
    }
    rewinddir(dir); // the duplicate shares its position with `folder`
    while (const dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

bool emptyFolder(int folder, Walk &walk);

// An entry the walk meant to remove stays, unless the call failed because it is gone already
// (another run removed it first): that is as good as removed.
bool stays(Walk &walk)
{
    if (errno == ENOENT)
        return true;
    walk.complete = false;
    return false;
}

// Removes the entry `name` of the open folder (a folder after its contents); true when it is
// gone. What stays that the walk meant to remove marks the walk incomplete; a folder that
// stays only for the hidden entries it holds does not.
bool removeEntry(int folder, const std::string &name, Walk &walk)
{
    // From what the kernel already knows (AT_STATX_DONT_SYNC): a mount point of a network or
    // FUSE file system whose server is gone would otherwise hold the walk forever.
    struct statx entry = {};
    if (statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC,
              STATX_TYPE | STATX_MNT_ID, &entry)
        != 0)
        return stays(walk);
    if (S_ISREG(entry.stx_mode) || S_ISLNK(entry.stx_mode))
        return unlinkat(folder, name.c_str(), 0) == 0 || stays(walk);
    const bool mountPoint = (entry.stx_attributes & STATX_ATTR_MOUNT_ROOT)
                            || makedev(entry.stx_dev_major, entry.stx_dev_minor) != walk.device
                            || ((entry.stx_mask & STATX_MNT_ID) && entry.stx_mnt_id != walk.mount);
    if (!S_ISDIR(entry.stx_mode) || mountPoint || walk.depth >= deepest) {
        errno = 0;
        return stays(walk); // a socket, a pipe, a device, a mount, too deep: stays
    }

    const int child = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0) {
        // Swapped for a link or a file since statx: removed as that entry itself.
        const bool swapped = errno == ELOOP || errno == ENOTDIR;
        return (swapped && unlinkat(folder, name.c_str(), 0) == 0) || stays(walk);
    }
    const std::string::size_type above = walk.path.size();
    walk.path.append(1, '/').append(name);
    ++walk.depth;
    const bool empty = emptyFolder(child, walk);
    --walk.depth;
    walk.path.resize(above);
    close(child);
    if (!empty)
        return false;
    return unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 || stays(walk);
}

// Empties the open folder `folder` (at walk.path, for the hook); true when nothing stayed in it.
bool emptyFolder(int folder, Walk &walk)
{
    if (!onWalkedMount(folder, walk)) {
        errno = 0;
        return stays(walk); // a mount point stays with all it holds
    }
    const std::vector<std::string> names = list(folder);
    if (listedHook)
        listedHook(QFile::decodeName(walk.path.c_str()));

    bool empty = true;
    for (const std::string &name : names) {
        if (walk.keepHidden && name[0] == '.')
            empty = false;
        else if (!removeEntry(folder, name, walk))
            empty = false;
    }
    return empty;
}

// Empties the folder open as `folder` (found at `name`), then removes the folder itself when
// it is empty and `name` still names it: never its parents, never what was put in its place.
bool walkFrom(int folder, const QByteArray &name, RemovalWalk::Hidden hidden)
{
    struct stat opened = {};
    if (fstat(folder, &opened) != 0)
        return false;
    Walk walk = {opened.st_dev, mountOf(folder),    hidden == RemovalWalk::Hidden::Keep,
                 true,          name.toStdString(), 0};
    struct stat named = {};
    if (emptyFolder(folder, walk) && lstat(name.constData(), &named) == 0
        && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
        rmdir(name.constData());
    return walk.complete;
}
} // namespace

namespace RemovalWalk {
bool removeTree(const QString &path, Hidden hidden)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat entry = {};
    if (name.isEmpty() || lstat(name.constData(), &entry) != 0)
        return !name.isEmpty() && errno == ENOENT;
    if (!S_ISDIR(entry.st_mode))
        return (S_ISREG(entry.st_mode) || S_ISLNK(entry.st_mode)) && unlink(name.constData()) == 0;
    const int folder = open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return false;
    // A mount point in the tree's name (a bind mount of another folder) is not the tree's own:
    // it stays with everything on it, as a mount inside the tree does.
    const int parent = openat(folder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat above = {};
    const bool mounted = parent < 0 || fstat(parent, &above) != 0 || above.st_dev != entry.st_dev
                         || mountOf(parent) != mountOf(folder);
    if (parent >= 0)
        close(parent);
    if (mounted) {
        close(folder);
        return false;
    }
    const bool complete = walkFrom(folder, name, hidden);
    close(folder);
    return complete;
}

bool removeTreeAt(int folder, const QString &path, Hidden hidden)
{
    // A descriptor of its own: the walk's listing must not move the caller's position.
    const int walked = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (walked < 0)
        return false;
    const bool complete = walkFrom(walked, QFile::encodeName(path), hidden);
    close(walked);
    return complete;
}

void setListedHook(void (*hook)(const QString &folder))
{
    listedHook = hook;
}
} // namespace RemovalWalk
