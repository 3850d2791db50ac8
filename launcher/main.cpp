#include "pluginfolders.h"
#include "updatelauncher.h"

int main(int argc, char *argv[])
{
    // Before the update library is loaded: it may make the application object itself.
    PluginFolders::keepToInstalledQt();
    // No application object here: one is made only if a message box must be shown.
    UpdateLauncher launcher(argc, argv);
    return launcher.run();
}
