// The yardstick for start-up: an empty frameless translucent main window of the welcome
// window's size, and nothing else. With "--kill-splash" it first starts the splash's taskkill
// as the welcome window must: a process start is dear under Wine, cheap on Windows.
#include "commands.h"
#include "platform.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (QCoreApplication::arguments().contains(QStringLiteral("--kill-splash")))
        platform().startHidden(Commands::killSplash());
    QMainWindow window;
    window.resize(560, 424);
    window.setAttribute(Qt::WA_TranslucentBackground, true);
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.show();
    return app.exec();
}
