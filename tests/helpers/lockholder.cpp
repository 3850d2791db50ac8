// lockholder NAME [COMMAND]: takes the single-instance lock NAME, prints "held" or
// "refused", starts COMMAND hidden if given, then keeps running until its input closes.
#include "platform.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    const bool held = platform().holdSingleInstance(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", held ? "held" : "refused");
    if (argc > 2)
        std::printf("%s\n", platform().startHidden(QString::fromLocal8Bit(argv[2])) ? "started" : "not started");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return held ? 0 : 1;
}
