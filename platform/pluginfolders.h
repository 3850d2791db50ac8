#pragma once

// Where Qt may take its plugins from: set before the application object is made, and again once
// it is there (making it adds the program's folder).
namespace PluginFolders {
// Only the installed Qt's own plugin folder (the paths built into the program) and those the
// user's QT_PLUGIN_PATH names: never the program's folder, where someone else may have put a
// look-alike plugin. On Windows nothing changes: a static Qt loads no plugin file at all, and
// the launcher's built-in qt.conf names its own folder.
void keepToInstalledQt();
} // namespace PluginFolders
