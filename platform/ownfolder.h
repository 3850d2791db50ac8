#pragma once

#include <QString>

#include <sys/types.h>

// The folder that holds the very file that is running: found from the name the system gives
// it, proven by device and inode, opened once and held until the process ends. Nothing is
// resolved by that name again. Where it cannot be proven (started through the dynamic loader,
// the file deleted, a name that does not survive being read as text, a path longer than the
// system names) it is no folder at all: nothing is removed from it or loaded from it.
class OwnFolder
{
public:
    static const OwnFolder &ofThisProcess(); // proven at the first call

    bool isProven() const { return descriptor_ >= 0; }
    QString path() const { return path_; }         // empty when not proven
    int descriptor() const { return descriptor_; } // -1 when not proven
    // The folder is the root of a mounted file system: a volume of its own, never emptied.
    bool isMountRoot() const { return mountRoot_; }
    // `folder` names this very folder (same device and inode), whatever its spelling.
    bool isThisFolder(const QString &folder) const;
    // Asked now, not when proven: the running file has one name only (no other hard link, not
    // a file mounted over another), that name is still in this folder, and the folder's path
    // still names it. Only then is it the product's folder to empty.
    bool holdsTheProgramAlone() const;

    OwnFolder(const OwnFolder &) = delete;
    OwnFolder &operator=(const OwnFolder &) = delete;

private:
    OwnFolder();

    QString path_;
    QByteArray name_; // the running file's name in the folder
    int descriptor_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool mountRoot_ = false;
};
