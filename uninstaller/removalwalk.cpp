#include "removalwalk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
bool isLink(const QFileInfo &entry)
{
    return entry.isSymbolicLink() || entry.isJunction() || entry.isShortcut();
}

void removeLink(const QFileInfo &entry)
{
#ifdef Q_OS_WIN
    // To Windows a link to a folder is a folder entry: removing it as a folder removes the
    // link alone, never what it points to.
    if (!entry.isShortcut() && (entry.isJunction() || entry.isDir())) {
        entry.absoluteDir().rmdir(entry.fileName());
        return;
    }
#endif
    QFile::remove(entry.absoluteFilePath());
}
} // namespace

void removeTree(const QFileInfo &entry)
{
    // Asked before isDir() and isFile(), which follow links.
    if (isLink(entry)) {
        removeLink(entry);
        return;
    }
    if (entry.isDir()) {
        QDir folder(entry.filePath());
        // System as well, so that broken links are listed (and removed); Hidden stays off.
        folder.setFilter(folder.filter() | QDir::NoDotAndDotDot | QDir::System);
        const QFileInfoList children = folder.entryInfoList();
        for (const QFileInfo &child : children)
            removeTree(child);
        // This folder alone, and only if nothing stayed in it; never its empty parents.
        entry.absoluteDir().rmdir(entry.fileName());
    } else if (entry.isFile()) {
        entry.absoluteDir().remove(entry.fileName());
    }
    // Anything else (a socket, a device) stays, as does whatever could not be removed.
}
