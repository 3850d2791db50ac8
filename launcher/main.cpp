#include "updatelauncher.h"

int main(int argc, char *argv[])
{
    // No application object here: one is made only if a message box must be shown.
    UpdateLauncher launcher(argc, argv);
    return launcher.run();
}
