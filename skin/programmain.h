#pragma once

#include <QApplication>

// The whole main() of a skinned program: the application object, the product's name and
// version, and the program's first window. Included by main.cpp only, which the build gives
// ZELVANE_VERSION.
template<typename FirstWindow>
int runSkinnedProgram(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));
    QCoreApplication::setApplicationName(QStringLiteral("Korrindel zelvane" ZELVANE_VERSION));

    FirstWindow window;
    window.show();
    return app.exec();
}
