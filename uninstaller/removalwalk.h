#pragma once

class QFileInfo;

// Removes an entry the way the uninstaller empties its folder: depth first, every visible
// file and folder, each folder after its contents and only once it is empty. Hidden entries
// stay, and so do the folders that hold them. A symbolic link, junction or shortcut is
// removed as an entry of its own; the walk never enters what it points to.
void removeTree(const QFileInfo &entry);
