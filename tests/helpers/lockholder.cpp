// lockholder NAME [PROGRAM ARGUMENT]: takes the single-instance lock NAME, prints "held" or
// "refused", starts PROGRAM hidden if given, then keeps running until its input closes.
#include "platform.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    const bool held = platform().holdSingleInstance(QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", held ? "held" : "refused");
    if (argc > 3) {
        const QString program = QString::fromLocal8Bit(argv[2]);
        const bool started = platform().startHidden(program, program + QLatin1Char(' ')
                                                                 + QString::fromLocal8Bit(argv[3]));
        std::printf("%s\n", started ? "started" : "not started");
    }
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return held ? 0 : 1;
}
