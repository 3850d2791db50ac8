// uninstalldriver full | close-at N [start-when FILE]: runs the uninstaller's windows with the
// real platform and clicks as a user would: Start (once FILE exists, when given), then either
// the completion page's close button, or the main window's close button as soon as the bar
// shows N. A message box is answered, and its title and text are written to stdout.
#include "mainwindow.h"
#include "unok.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const bool full = std::strcmp(argv[1], "full") == 0;
    const int closeAt = !full && argc > 2 ? std::atoi(argv[2]) : -1;
    const int gate = full ? 2 : 3;
    const QString startWhen = argc > gate + 1 && std::strcmp(argv[gate], "start-when") == 0
                                  ? QFile::decodeName(argv[gate + 1])
                                  : QString();

    MainWindow window;
    window.show();
    std::printf("shown\n"); // the program has found its folder: a test may change it now
    std::fflush(stdout);
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    bool started = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        if (!started && (startWhen.isEmpty() || QFile::exists(startWhen))) {
            started = true;
            window.findChild<QAbstractButton *>(QStringLiteral("btnNext"))->click();
            return;
        }
        if (!full && started && bar->value() >= closeAt)
            window.findChild<QAbstractButton *>(QStringLiteral("btnClose"))->click();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible()) {
                std::printf("box: %s: %s\n", qPrintable(box->windowTitle()),
                            qPrintable(box->text()));
                std::fflush(stdout);
                box->accept();
            }
            if (auto *done = qobject_cast<UnOk *>(top); done && done->isVisible() && full)
                done->findChild<QAbstractButton *>(QStringLiteral("btnClose"))->click();
        }
    });
    watch.start(5);
    app.exec();
    return 3; // the close buttons end the process before the event loop can
}
