#include "pluginfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

void PluginFolders::keepToInstalledQt()
{
#ifndef Q_OS_WIN
    const QByteArray userFolders = qgetenv("QT_PLUGIN_PATH");
    QStringList folders =
        QString::fromLocal8Bit(userFolders).split(QDir::listSeparator(), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QCoreApplication::instance()) {
        // Making the application object adds the program's folder to the list, and keeps only
        // the changes made to the list before: so the folder is put in first (Qt takes
        // QT_PLUGIN_PATH's folders), to be taken out. Else the platform, its theme and the
        // style would come from there while the object is made.
        const QString own = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        qputenv("QT_PLUGIN_PATH",
                QFile::encodeName(own) + QDir::listSeparator().toLatin1() + userFolders);
        QCoreApplication::libraryPaths();
        if (userFolders.isNull())
            qunsetenv("QT_PLUGIN_PATH");
        else
            qputenv("QT_PLUGIN_PATH", userFolders);
    }
    QCoreApplication::setLibraryPaths(folders);
#endif
}
