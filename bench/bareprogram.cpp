// The yardstick for the launcher: the same Qt libraries, and only the work no launcher can
// avoid, done the plainest way: load the update library of the folder named first, call it,
// and start the self-updater beside it with the path it returns.
#include <QApplication>
#include <QLibrary>
#include <QProcess>

int main(int argc, char **argv)
{
    // Referenced, so the linker keeps the libraries as the launcher has them.
    if (argc < 2 || !QApplication::staticMetaObject.className())
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
#ifdef Q_OS_WIN
    QLibrary library(folder + QStringLiteral("/orvixupdate.dll"));
#else
    QLibrary library(folder + QStringLiteral("/orvixupdate.so"));
#endif
    using Entry = void (*)(int, char **, QString *);
    auto *entry = reinterpret_cast<Entry *>(library.resolve("updatemanager"));
    if (!entry || !*entry)
        return 1;
    QString package;
    (*entry)(argc, argv, &package);
    return QProcess::startDetached(folder + QStringLiteral("/updateSelf.exe"), {package.trimmed()})
               ? 0
               : 1;
}
