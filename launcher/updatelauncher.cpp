#include "updatelauncher.h"

#include "commands.h"
#include "platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QMessageBox>

#include <cstdio>

#ifdef Q_OS_WIN
#include "win32api.h"
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define ZELVANE_CDECL __cdecl
#else
#define ZELVANE_CDECL
#endif

namespace {
// The library's entry function. The export `updatemanager` is a data item holding its address.
using UpdateManagerEntry = void(ZELVANE_CDECL *)(int, char **, QString *);

QString notCorrectLibrary()
{
    return QStringLiteral("File: ") + UpdateLauncher::libraryFileName()
           + QStringLiteral(" is not correct library for UpdateManager!");
}
} // namespace

UpdateLauncher::UpdateLauncher(int &argumentCount, char **arguments)
    : argc(argumentCount), argv(arguments)
{}

UpdateLauncher::~UpdateLauncher() = default;

QString UpdateLauncher::libraryFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("orvixupdate.dll");
#else
    return QStringLiteral("orvixupdate.so");
#endif
}

int UpdateLauncher::run()
{
    if (!platform().holdSingleInstance(QStringLiteral("OrvixUpdateManager")))
        return 0; // another copy runs: no box, no library

    QLibrary library;
    const QString fileName = libraryFileName();
    if (!QLibrary::isLibrary(fileName)) {
        showBox(Box::Error, QStringLiteral("updatemanger"),
                fileName + QStringLiteral(" is not a library."));
        return 0;
    }

    // From the launcher's own folder only: a library planted elsewhere is never loaded.
    // An own folder that cannot be told is no folder at all, never the current one.
    const QString own = platform().programFolder();
    const QDir ownFolder(own);
    library.setFileName(own.isEmpty() ? QString() : ownFolder.filePath(fileName));
#ifdef Q_OS_WIN
    // The programs look for DLLs in the system folder only; the library's own DLLs (a shared
    // Qt) lie beside it. QLibrary then finds it loaded; if it failed, QLibrary tells why.
    if (!own.isEmpty())
        Win32::loadLibraryWithItsFolder(
            QDir::toNativeSeparators(library.fileName()).toStdWString());
#endif
    library.load();
    if (!library.isLoaded()) {
        showBox(Box::Error, QStringLiteral("Error"),
                notCorrectLibrary() + QLatin1Char('\n') + library.errorString());
        return 0;
    }

    const QFunctionPointer exported = library.resolve("updatemanager");
    // The export holds the entry's address; one exporting the function itself would be
    // called through its own code bytes, so the address it holds is checked first.
    const auto entry = exported ? *reinterpret_cast<const UpdateManagerEntry *>(exported) : nullptr;
    if (!entry || !isExecutableCode(reinterpret_cast<const void *>(entry))) {
        showBox(Box::Warning, QStringLiteral("Warning!"), notCorrectLibrary());
        return 0;
    }
    entry(argc, argv, &result);

    if (result.isNull() || result.isEmpty() || !QFile::exists(result))
        return 0; // nothing to update

    // Only the self-updater beside the launcher; it sees the plain command line.
    const QString selfUpdater =
        QDir::toNativeSeparators(ownFolder.filePath(QStringLiteral("updateSelf.exe")));
    if (platform().startHidden(selfUpdater, Commands::runSelfUpdater(result.trimmed())))
        return 0;
    showBox(Box::Error, QObject::tr("Pellora"), QObject::tr("更新更新管理器出错！"));
    return 1;
}

void UpdateLauncher::showBox(Box kind, const QString &title, const QString &text)
{
    // A box needs a GUI application object: use the one there is (the library may have
    // made it), or make one now; never a second one.
    if (!QCoreApplication::instance())
        ownApplication = std::make_unique<QApplication>(argc, argv);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // The library made a non-GUI application object: no Qt box can be shown beside it.
#ifdef Q_OS_WIN
        // A GUI program's stderr reaches nobody there: the system's own box says the same.
        Win32::messageBox(title.toStdWString(), text.toStdWString(), kind == Box::Warning);
#else
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
#endif
        return;
    }
    if (kind == Box::Warning)
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    else
        QMessageBox::critical(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}
