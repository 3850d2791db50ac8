// removetree FOLDER [--as-nobody]: runs the uninstaller's removal walk on FOLDER, if asked
// as the unprivileged user "nobody" (so that permissions bind even when tests run as root).
#include "removalwalk.h"

#include <QFileInfo>

#include <cstring>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    if (argc > 2 && std::strcmp(argv[2], "--as-nobody") == 0 && geteuid() == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            return 3;
    }
    RemovalWalk::removeTree(QString::fromLocal8Bit(argv[1]));
    return 0;
}
