#include "commands.h"

namespace {
// <prefix>"<folder>\<name>" — folder and name joined by one backslash, quoted together.
QString quotedInFolder(const QString &prefix, const QString &folder, const QString &name)
{
    // No Windows name holds a quote; elsewhere one would end the quoted path early and let the
    // rest of the folder's name choose what runs or goes. cmd expands %VAR% even inside quotes,
    // and a /C line has no escape for it: a variable's value would choose instead.
    for (const QLatin1Char unsafe : {QLatin1Char('"'), QLatin1Char('%')})
        if (folder.contains(unsafe) || name.contains(unsafe))
            return {};
    if (folder.isEmpty())
        return {};
    return prefix + QLatin1Char('"') + folder + QLatin1Char('\\') + name + QLatin1Char('"');
}

// cmd /C ""<folder>\<name>"": cmd drops the outer pair and runs the quoted path as one word.
// With a single pair it keeps the quotes only for an executable file whose path holds none of
// &<>()@^|, so a shortcut in "C:\Users\John Smith" would run "C:\Users\John".
QString openInFolder(const QString &folder, const QString &name)
{
    const QString quoted = quotedInFolder(QString(), folder, name);
    return quoted.isEmpty() ? QString() : QStringLiteral("cmd /C \"") + quoted + QLatin1Char('"');
}
} // namespace

namespace Commands {
QString killSplash()
{
    return QStringLiteral("taskkill /IM ") + Product::splashName() + QStringLiteral(" /F");
}

QString runSetup(const QString &tmpFolder)
{
    return openInFolder(tmpFolder, Product::setupName());
}

QString openFile(const QString &folder, const QString &name)
{
    return openInFolder(folder, name);
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
    return Product::selfUpdaterName() + QLatin1Char(' ') + path;
}
} // namespace Commands
