// A stand-in for the product's update library. Built once per behaviour (ORVIX_<NAME>):
// SAMPLE returns the path of an update package (*.zup) beside the launcher (and itself), or
// nothing; PADDED returns it with two blanks after it; MISSING a path that does not exist; EMPTY
// nothing; SLOW takes three seconds first; OWNAPP makes its own application object and closes any
// box after a moment; NOEXPORT lacks the export; FUNCTION exports the entry itself
// instead of a data item holding its address. Every call is noted in orvixupdate.log.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#define ORVIX_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#define ORVIX_EXPORT __attribute__((visibility("default")))
#endif

namespace {
// The library lies beside the launcher, which loads it from its own folder only.
QString libraryFolder()
{
#ifdef _WIN32
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                           | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&libraryFolder), &self);
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(self, path, MAX_PATH * 4);
    return QFileInfo(QString::fromWCharArray(path)).absolutePath();
#else
    Dl_info self;
    if (dladdr(reinterpret_cast<void *>(&libraryFolder), &self) == 0 || !self.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(self.dli_fname)).absolutePath();
#endif
}

void note(const QString &folder, const QString &line)
{
    QFile log(folder + QStringLiteral("/orvixupdate.log"));
    if (log.open(QIODevice::Append | QIODevice::Text))
        log.write(line.toUtf8() + '\n');
}

QString package(const QString &folder)
{
    const QStringList found =
        QDir(folder).entryList({QStringLiteral("*.zup")}, QDir::Files, QDir::Name);
    return found.isEmpty() ? QString() : QDir(folder).absoluteFilePath(found.first());
}

void run(int argc, char **argv, QString *result)
{
    const QString folder = libraryFolder();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    note(folder,
         QStringLiteral("called app=%1 result=%2 args=%3")
             .arg(QCoreApplication::instance() ? QStringLiteral("yes") : QStringLiteral("no"),
                  result->isNull() ? QStringLiteral("null") : QStringLiteral("empty"),
                  arguments.join(QLatin1Char('|'))));
#if defined(ORVIX_SLOW)
    QThread::sleep(3);
#elif defined(ORVIX_MISSING)
    *result = folder + QStringLiteral("/missing.zup");
#elif defined(ORVIX_EMPTY)
    *result = QStringLiteral("");
#elif defined(ORVIX_PADDED)
    *result = package(folder) + QStringLiteral("  ");
#elif defined(ORVIX_OWNAPP)
    static int count = argc;
    if (!QCoreApplication::instance())
        new QApplication(count, argv);
    auto *closer = new QTimer;
    QObject::connect(closer, &QTimer::timeout, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    closer->start(300);
    *result = package(folder);
#else
    const QString found = package(folder);
    if (!found.isEmpty())
        *result = found;
#endif
}
} // namespace

extern "C" {
#if defined(ORVIX_NOEXPORT)
ORVIX_EXPORT void (*otherentry)(int, char **, QString *) = run;
#elif defined(ORVIX_FUNCTION)
ORVIX_EXPORT void updatemanager(int argc, char **argv, QString *result)
{
    run(argc, argv, result);
}
#else
// The contract: a data item that holds the entry function's address.
ORVIX_EXPORT void (*updatemanager)(int, char **, QString *) = run;
#endif
}
