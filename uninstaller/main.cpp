#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));
    QCoreApplication::setApplicationName(QStringLiteral("Korrindel zelvane2.0"));

    MainWindow window;
    window.show();
    return app.exec();
}
