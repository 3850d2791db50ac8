// A plain Qt program that reads one picture, for comparison: it takes Qt's plugins from wherever
// Qt looks by default, its own folder and a qt.conf beside it among them.
#include <QApplication>
#include <QImage>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return QImage(QString::fromLocal8Bit(argv[argc - 1])).isNull() ? 1 : 0;
}
