#include "updatelauncher.h"

#include "commands.h"
#include "exactlibrary.h"
#include "platform.h"
#include "pluginfolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

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
    return QStringLiteral("File: ") + Product::updateLibraryName()
           + QStringLiteral(" is not correct library for UpdateManager!");
}
} // namespace

UpdateLauncher::UpdateLauncher(int &argumentCount, char **arguments)
    : argc(argumentCount), argv(arguments)
{}

UpdateLauncher::~UpdateLauncher() = default;

int UpdateLauncher::run()
{
    if (!platform().holdSingleInstance(Product::launcherLockName()))
        return 0; // another copy runs: no box, no library

    const QString fileName = Product::updateLibraryName();
    if (!QLibrary::isLibrary(fileName))
        return showBox(Box::Error, QString::fromLatin1(nameCheckTitle),
                       fileName + QStringLiteral(" is not a library."), 0);

    // From the launcher's own folder only, proven to hold the running launcher: a library
    // planted elsewhere, or under another name, is never loaded. An own folder that cannot be
    // proven is no folder at all, never the current one.
    const QString own = platform().programFolder();
    const QDir ownFolder(own);
    ExactLibrary library(own.isEmpty() ? QString() : ownFolder.filePath(fileName));
    if (!library.load())
        return showBox(Box::Error, QString::fromLatin1(loadErrorTitle),
                       notCorrectLibrary() + QLatin1Char('\n') + library.errorString(), 0);

    const QFunctionPointer exported = library.resolve("updatemanager");
    // The export holds the entry's address; one exporting the function itself would be
    // called through its own code bytes, so the address it holds is checked first.
    const auto entry = exported ? *reinterpret_cast<const UpdateManagerEntry *>(exported) : nullptr;
    if (!entry || !platform().isExecutableCode(reinterpret_cast<const void *>(entry)))
        return showBox(Box::Warning, QString::fromLatin1(missingExportTitle), notCorrectLibrary(),
                       0);
    entry(argc, argv, &result);
    if (QCoreApplication::instance())
        PluginFolders::keepToInstalledQt(); // the library made one: its boxes still to come

    if (result.isNull() || result.isEmpty() || !QFile::exists(result))
        return 0; // nothing to update

    // Only the self-updater beside the launcher; it sees the plain command line.
    const QString selfUpdater =
        QDir::toNativeSeparators(ownFolder.filePath(Product::selfUpdaterName()));
    if (platform().startHidden(selfUpdater, Commands::runSelfUpdater(result.trimmed())))
        return 0;
    return showBox(Box::Error, QObject::tr(startErrorTitle), QObject::tr("更新更新管理器出错！"),
                   1);
}

namespace {
// What a box that cannot be shown says instead, and the status it leads to.
struct ConsoleBox
{
    QString title, text;
    int status = 0;
};
ConsoleBox pendingBox;

void tellOnConsole(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
}

// Qt ends the process when no display can be reached: the box goes to stderr instead, and
// the process ends as answering it would have.
void endWithoutDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type != QtFatalMsg)
        return;
    tellOnConsole(pendingBox.title, pendingBox.text);
    std::fflush(stderr);
    std::_Exit(pendingBox.status);
}
} // namespace

int UpdateLauncher::showBox(Box kind, const QString &title, const QString &text, int status)
{
    // A box needs a GUI application object: use the one there is (the library may have
    // made it), or make one now; never a second one.
    if (!QCoreApplication::instance()) {
        if (!platform().hasDisplay()) {
            tellOnConsole(title, text);
            return status;
        }
        pendingBox = {title, text, status};
        const QtMessageHandler before = qInstallMessageHandler(endWithoutDisplay);
        ownApplication = std::make_unique<QApplication>(argc, argv);
        PluginFolders::keepToInstalledQt();
        qInstallMessageHandler(before);
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // The library made a non-GUI application object: no Qt box can be shown beside it. The
        // system's own box says the same where it has one (a GUI program's stderr reaches
        // nobody on Windows).
        if (!platform().showSystemBox(title, text, kind == Box::Warning))
            tellOnConsole(title, text);
        return status;
    }
    if (kind == Box::Warning)
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    else
        QMessageBox::critical(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    return status;
}
