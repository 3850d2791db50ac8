// Renders the installer's three windows to PNG files, for machines without a display.
#include "mainwindow.h"
#include "myinstall.h"
#include "myok.h"
#include "recordingplatform.h"
#include "windowshot.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    RecordingPlatform quiet; // a picture must not end or start anything
    setPlatform(&quiet);

    MainWindow welcome;
    MyInstall progress;
    progress.findChild<QProgressBar *>(QStringLiteral("MyBar"))->setValue(42);
    progress.findChild<QLabel *>(QStringLiteral("label"))
        ->setPixmap(QPixmap(QStringLiteral(":/new/prefix1/sourcess/b2.png")));
    MyOK finish;
    const bool ok = saveWindowShot(&welcome, folder, QStringLiteral("installer-welcome"))
                    && saveWindowShot(&progress, folder, QStringLiteral("installer-progress"))
                    && saveWindowShot(&finish, folder, QStringLiteral("installer-finish"));
    return ok ? 0 : 1;
}
