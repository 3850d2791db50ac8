// The yardstick for start-up: an empty frameless translucent main window of the welcome
// window's size, and nothing else.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(560, 424);
    window.setAttribute(Qt::WA_TranslucentBackground, true);
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.show();
    return app.exec();
}
