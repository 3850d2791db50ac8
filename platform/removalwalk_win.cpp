#include "removalwalk.h"

#include "win32api.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
void (*listedHook)(const QString &) = nullptr;

bool isLink(const QFileInfo &entry)
{
    return entry.isSymbolicLink() || entry.isJunction() || entry.isShortcut();
}

void removeEntry(const QFileInfo &entry, QDir::Filters filter)
{
    // Asked before isDir() and isFile(), which follow links.
    if (isLink(entry)) {
        // To Windows a link to a folder is a folder entry, also when its target is gone (isDir()
        // then says no): it is removed as a folder entry, which removes the link alone.
        if (entry.isShortcut())
            QFile::remove(entry.absoluteFilePath());
        else
            Win32::removeLinkEntry(QDir::toNativeSeparators(entry.absoluteFilePath()).toStdWString());
        return;
    }
    if (entry.isDir()) {
        QDir folder(entry.filePath());
        // System as well, so that broken links are listed (and removed).
        const QFileInfoList children = folder.entryInfoList(filter);
        if (listedHook)
            listedHook(entry.absoluteFilePath());
        for (const QFileInfo &child : children)
            removeEntry(child, filter);
        // This folder alone, and only if nothing stayed in it; never its empty parents.
        entry.absoluteDir().rmdir(entry.fileName());
    } else if (entry.isFile()) {
        // A read-only file stays: Windows refuses to delete it.
        entry.absoluteDir().remove(entry.fileName());
    }
    // Anything else stays, as does whatever could not be removed.
}
} // namespace

namespace RemovalWalk {
void removeTree(const QString &path, Hidden hidden)
{
    QDir::Filters filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (hidden == Hidden::Remove)
        filter |= QDir::Hidden;
    if (!path.isEmpty())
        removeEntry(QFileInfo(path), filter);
}

void setListedHook(void (*hook)(const QString &folder))
{
    listedHook = hook;
}
} // namespace RemovalWalk
