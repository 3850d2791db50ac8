#pragma once

#include <QString>

// Removes an entry the way the uninstaller empties its folder: depth first, each folder after
// its contents and only once it is empty. A symbolic link, junction or shortcut is removed as
// an entry of its own; the walk never enters what it points to, never leaves the file system
// it started on, and never looks an entry up again by its path once it has listed its folder,
// so a folder swapped for a link meanwhile is removed as that link. Whatever cannot be removed
// stays, and so do the folders that hold it.
namespace RemovalWalk {
enum class Hidden
{
    Keep,  // the uninstaller: hidden entries stay, with the folders holding them
    Remove // rmdir /S: everything
};

// True when nothing below `path` stays that the walk meant to remove (hidden entries it keeps,
// and the running program's own file where the system keeps that, are meant to stay).
bool removeTree(const QString &path, Hidden hidden = Hidden::Keep);

#ifndef Q_OS_WIN
// The same for the folder open as `folder`, whose name is `path`: the walk starts from the
// descriptor, and `path` is used only to remove the emptied folder itself while it still
// names that folder.
bool removeTreeAt(int folder, const QString &path, Hidden hidden = Hidden::Keep);
#endif

// For tests: called with each folder's path after the folder is listed, before its entries
// are acted on (the moment a swapped entry would be dangerous).
void setListedHook(void (*hook)(const QString &folder));
} // namespace RemovalWalk
