#include "product.h"

namespace Product {
QString shortcutName()
{
    return QStringLiteral("Zelvane儿童电脑操作系统2.0.lnk");
}

QString groupName()
{
    return QStringLiteral("Zelvane2.0");
}

QString splashName()
{
    return QStringLiteral("loding.exe");
}

QString setupName()
{
    return QStringLiteral("setup.exe");
}

QString updateLibraryName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("orvixupdate.dll");
#else
    return QStringLiteral("orvixupdate.so");
#endif
}

QString selfUpdaterName()
{
    return QStringLiteral("updateSelf.exe");
}

QString launcherLockName()
{
    return QStringLiteral("OrvixUpdateManager");
}

QString applicationName()
{
    return QStringLiteral("Korrindel zelvane" ZELVANE_VERSION);
}

QString applicationVersion()
{
    return QStringLiteral(ZELVANE_VERSION);
}

QList<Removal> uninstallerRemovals()
{
    using Kind = Removal::Kind;
    using Folder = Platform::Folder;
    return {{Kind::OwnFolder, Folder::Desktop, QString()},
            {Kind::Shortcut, Folder::Desktop, shortcutName()},
            {Kind::Group, Folder::Programs, groupName()},
            {Kind::Shortcut, Folder::Startup, shortcutName()}};
}
} // namespace Product
