#pragma once

#include "platform.h"

#include <QList>
#include <QString>

// The product's names on disk and what the uninstaller takes away: one place for both, so a
// shortcut more is one name and one line here.
namespace Product {
QString shortcutName();       // Zelvane儿童电脑操作系统2.0.lnk
QString groupName();          // Zelvane2.0, the Start-menu group
QString splashName();         // loding.exe, the loading splash the installer ends
QString setupName();          // setup.exe, the real installation, in TMP
QString updateLibraryName();  // orvixupdate plus the system's library suffix
QString selfUpdaterName();    // updateSelf.exe, beside the launcher
QString launcherLockName();   // OrvixUpdateManager: one launcher at a time
QString applicationName();    // Korrindel zelvane2.0, what the skinned programs call themselves
QString applicationVersion(); // 2.0, the project's version

// One thing the uninstaller removes.
struct Removal
{
    enum class Kind
    {
        OwnFolder, // the contents of the uninstaller's own folder
        Shortcut,  // the entry `name` in `folder`, deleted by the uninstaller itself
        Group      // the folder `name` in `folder` with all it holds, by a hidden command
    };
    Kind kind;
    Platform::Folder folder; // not for OwnFolder
    QString name;
};
// Everything the uninstaller removes, in the order it does it.
QList<Removal> uninstallerRemovals();
} // namespace Product
