// uninstalldriver full | close-at N: runs the uninstaller's windows with the real platform
// and clicks as a user would: Start, then either the completion page's close button, or
// the main window's close button as soon as the bar shows N.
#include "mainwindow.h"
#include "unok.h"

#include <QAbstractButton>
#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const bool full = std::strcmp(argv[1], "full") == 0;
    const int closeAt = argc > 2 ? std::atoi(argv[2]) : -1;

    MainWindow window;
    window.show();
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QTimer::singleShot(50, &window, [&window] {
        window.findChild<QAbstractButton *>(QStringLiteral("btnNext"))->click();
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (!full && bar->value() >= closeAt)
            window.findChild<QAbstractButton *>(QStringLiteral("btnClose"))->click();
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *done = qobject_cast<UnOk *>(top); done && done->isVisible() && full)
                done->findChild<QAbstractButton *>(QStringLiteral("btnClose"))->click();
    });
    watch.start(5);
    app.exec();
    return 3; // the close buttons end the process before the event loop can
}
