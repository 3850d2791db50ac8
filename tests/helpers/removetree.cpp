// removetree FOLDER [--as-nobody | --report-memory]: runs the uninstaller's removal walk on
// FOLDER, if asked as the unprivileged user "nobody" (so that permissions bind even when tests
// run as root), or writing its peak memory (KiB) to stdout afterwards.
#include "removalwalk.h"

#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>
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
    if (argc > 2 && std::strcmp(argv[2], "--report-memory") == 0) {
        rusage usage = {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%ld\n", usage.ru_maxrss);
    }
    return 0;
}
