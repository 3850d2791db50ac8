// Renders the uninstaller's windows to PNG files, for machines without a display.
#include "mainwindow.h"
#include "recordingplatform.h"
#include "unok.h"
#include "windowshot.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    RecordingPlatform quiet; // a picture must not remove anything
    setPlatform(&quiet);

    MainWindow waiting;
    MainWindow running; // as it looks while the bar runs
    running.findChild<QLabel *>(QStringLiteral("label"))->show();
    running.findChild<QProgressBar *>(QStringLiteral("progressBar"))->setValue(64);
    UnOk done;
    const bool ok = saveWindowShot(&waiting, folder, QStringLiteral("uninstaller-main"))
                    && saveWindowShot(&running, folder, QStringLiteral("uninstaller-running"))
                    && saveWindowShot(&done, folder, QStringLiteral("uninstaller-done"));
    return ok ? 0 : 1;
}
