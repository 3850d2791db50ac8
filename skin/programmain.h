#pragma once

#include "pluginfolders.h"
#include "product.h"

#include <QApplication>

// The whole main() of a skinned program: the application object, the product's name and
// version, and the program's first window. Included by main.cpp only.
template<typename FirstWindow>
int runSkinnedProgram(int argc, char *argv[])
{
    PluginFolders::keepToInstalledQt();
    QApplication app(argc, argv);
    PluginFolders::keepToInstalledQt();
    QCoreApplication::setApplicationVersion(Product::applicationVersion());
    QCoreApplication::setApplicationName(Product::applicationName());

    FirstWindow window;
    window.show();
    return app.exec();
}
