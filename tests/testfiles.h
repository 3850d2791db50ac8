#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QScopeGuard>
#include <QTest>

#include <optional>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>

#include <stdlib.h>
#endif

// Small helpers the suites share.

// Makes an empty file, and the folders above it.
inline void touch(const QString &file)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(file));
}

// Makes an entry hidden as the system sees it: a dot name elsewhere, the hidden attribute on
// Windows (where Wine, but not Windows, also takes a dot name for hidden).
inline void markHidden(const QString &entry)
{
#ifdef Q_OS_WIN
    const std::wstring native = QDir::toNativeSeparators(entry).toStdWString();
    QVERIFY(SetFileAttributesW(native.c_str(),
                               GetFileAttributesW(native.c_str()) | FILE_ATTRIBUTE_HIDDEN));
#else
    QVERIFY(QFileInfo(entry).fileName().startsWith(u'.'));
#endif
}

// Sets an environment variable to a text, as the programs read it back (wide on Windows, where
// qputenv's bytes would be taken for the ANSI code page).
inline void setEnvironment(const char *name, const QString &value)
{
#ifdef Q_OS_WIN
    _wputenv_s(QString::fromLatin1(name).toStdWString().c_str(), value.toStdWString().c_str());
#else
    qputenv(name, QFile::encodeName(value));
#endif
}

// Puts the named environment variables back as they are now, set or not, when the returned
// guard goes out of scope: also when a check fails half-way.
[[nodiscard]] inline auto keepEnvironment(std::initializer_list<const char *> names)
{
    std::vector<std::pair<const char *, std::optional<QByteArray>>> saved;
    for (const char *name : names)
        saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt);
    return qScopeGuard([saved] {
        for (const auto &[name, value] : saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    });
}

// Whether a directory entry of that path exists, as the entry itself: QFile::exists() follows
// links, and takes an empty .lnk file on Windows for a broken shortcut.
inline bool entryExists(const QString &path)
{
    const QFileInfo entry(path);
    return entry.dir()
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System)
        .contains(entry.fileName());
}

// A widget of a window's form, by its object name.
template<typename T>
T *child(QObject *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

// A home folder as the uninstaller finds it after an installation: the product folder, the
// Desktop under the given name, autostart and the applications menu where the XDG defaults put
// them, and the product's shortcut on the Desktop and in autostart.
struct InstalledHome
{
    QString home, product, desktop, startup, programs;

    void layOut(const QString &homeFolder, const QString &desktopName, const QString &shortcut)
    {
        home = homeFolder;
        product = home + QStringLiteral("/Zelvane2.0");
        desktop = home + QLatin1Char('/') + desktopName;
        startup = home + QStringLiteral("/.config/autostart");
        programs = home + QStringLiteral("/.local/share/applications");
        touch(desktop + QLatin1Char('/') + shortcut);
        touch(startup + QLatin1Char('/') + shortcut);
    }
};
