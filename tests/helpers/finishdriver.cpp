// finishdriver RUN RUNALL: shows the installer's finish page with the real platform, sets
// its two check boxes (1 ticked, 0 cleared) and presses its finish button, as a user would.
// finishdriver next: shows the welcome window and presses Next; a moment later, the setup
// program having had time to end or not, runs the progress page to its end. Each box is
// printed ("box <title>: <text>") and answered, and the finish page printed once it shows.
#include "mainwindow.h"
#include "myinstall.h"
#include "myok.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {
void watchWindows()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible()) {
            std::printf("box %s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        } else if (qobject_cast<MyOK *>(window) && window->isVisible()) {
            std::printf("finish page\n");
            std::fflush(stdout);
            std::exit(0);
        }
    }
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(sourcess);
    if (argc == 2 && std::strcmp(argv[1], "next") == 0) {
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watchWindows);
        watch.start(50);
        auto *welcome = new MainWindow;
        welcome->show();
        welcome->findChild<QAbstractButton *>(QStringLiteral("btnNext"))->click();
        QTimer::singleShot(1500, [] {
            for (QWidget *window : QApplication::topLevelWidgets())
                if (qobject_cast<MyInstall *>(window))
                    for (int tick = 0; tick < MyInstall::ticksToEnd; ++tick)
                        QMetaObject::invokeMethod(window, "Mystart");
        });
        app.exec();
        return 3;
    }
    if (argc < 3)
        return 2;
    auto *page = new MyOK;
    page->findChild<QCheckBox *>(QStringLiteral("chRun"))
        ->setChecked(std::strcmp(argv[1], "1") == 0);
    page->findChild<QCheckBox *>(QStringLiteral("chRunAll"))
        ->setChecked(std::strcmp(argv[2], "1") == 0);
    page->show();
    QTimer::singleShot(100, page, [page] {
        page->findChild<QAbstractButton *>(QStringLiteral("btnOK"))->click();
    });
    app.exec();
    return 3; // the finish button ends the process before the event loop can
}
