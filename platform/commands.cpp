#include "commands.h"

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
} // namespace Product

namespace {
// <prefix>"<folder>\<name>" — folder and name joined by one backslash, quoted together.
QString quotedInFolder(const QString &prefix, const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return {};
    return prefix + QLatin1Char('"') + folder + QLatin1Char('\\') + name + QLatin1Char('"');
}
} // namespace

namespace Commands {
QString killSplash()
{
    return QStringLiteral("taskkill /IM ") + Product::splashName() + QStringLiteral(" /F");
}

QString runSetup(const QString &tmpFolder)
{
    return quotedInFolder(QStringLiteral("cmd /C "), tmpFolder, QStringLiteral("setup.exe"));
}

QString openFile(const QString &folder, const QString &name)
{
    return quotedInFolder(QStringLiteral("cmd /C "), folder, name);
}

QString deleteFile(const QString &folder, const QString &name)
{
    return quotedInFolder(QStringLiteral("cmd /C del /Q /F "), folder, name);
}

QString removeFolder(const QString &folder, const QString &name)
{
    return quotedInFolder(QStringLiteral("cmd /C rmdir /S /Q "), folder, name);
}

QString runSelfUpdater(const QString &path)
{
    return QStringLiteral("updateSelf.exe %1").arg(path);
}
} // namespace Commands
