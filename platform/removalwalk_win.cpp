#include "removalwalk.h"

#include "win32api.h"

#include <QDir>
#include <QFileInfo>

namespace {
void (*listedHook)(const QString &) = nullptr;

void relayListed(const std::wstring &folder)
{
    listedHook(QDir::fromNativeSeparators(QString::fromStdWString(folder)));
}
} // namespace

namespace RemovalWalk {
bool removeTree(const QString &path, Hidden hidden)
{
    if (path.isEmpty())
        return false;
    // The walk itself is plain Win32 over handles (win32api.cpp); only the path is Qt's.
    const QString native =
        QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    return Win32::removeTree(native.toStdWString(), hidden == Hidden::Keep,
                             listedHook ? relayListed : nullptr);
}

void setListedHook(void (*hook)(const QString &folder))
{
    listedHook = hook;
}
} // namespace RemovalWalk
