#pragma once

#include <QStringList>

// Which folders the uninstaller may empty as "its own". A product folder may lie inside a
// well-known folder (~/Desktop/Zelvane), but never be one, nor hold one.
namespace ProductFolder {
// False for a file-system root, for one of `wellKnown`, and for a folder that holds one.
bool mayBeEmptied(const QString &folder, const QStringList &wellKnown);

// The user's and the system's well-known folders on this machine.
QStringList wellKnownFolders();
} // namespace ProductFolder
