// The yardsticks for start-up: a frameless translucent main window of the welcome window's size.
// Empty, or with "--picture" showing the welcome picture in one label (no style sheet), as any
// skinned installer must decode and show it. With "--kill-splash" it first starts the splash's
// taskkill as the welcome window must: a process start is dear under Wine, cheap on Windows.
#include "commands.h"
#include "platform.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--kill-splash")))
        platform().startHidden(Commands::killSplash());
    QMainWindow window;
    window.resize(560, 424);
    window.setAttribute(Qt::WA_TranslucentBackground, true);
    window.setWindowFlags(Qt::FramelessWindowHint);
    if (arguments.contains(QStringLiteral("--picture"))) {
        auto *label = new QLabel(&window);
        label->setPixmap(QPixmap(QStringLiteral(":/new/prefix1/sourcess/01.png")));
        window.setCentralWidget(label);
    }
    window.show();
    return app.exec();
}
