#include "exactlibrary.h"

#include <QDir>

#ifdef Q_OS_WIN
#include "win32api.h"
#else
#include <QFile>

#include <dlfcn.h>
#endif

bool ExactLibrary::load()
{
    if (handle)
        return true;
    if (path.isEmpty()) {
        error = QStringLiteral("Cannot load library: its folder is not known for certain");
        return false;
    }
#ifdef Q_OS_WIN
    handle = Win32::loadLibraryWithItsFolder(QDir::toNativeSeparators(path).toStdWString());
    const QString why = handle ? QString() : QString::fromStdWString(Win32::lastErrorText());
#else
    // A name with a slash is that file: the loader searches nothing for it.
    handle = dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_LOCAL);
    const QString why = handle ? QString() : QString::fromLocal8Bit(dlerror());
#endif
    if (!handle)
        error = QStringLiteral("Cannot load library %1: (%2)")
                    .arg(QDir::toNativeSeparators(path), why.trimmed());
    return handle != nullptr;
}

QFunctionPointer ExactLibrary::resolve(const char *symbol) const
{
    if (!handle)
        return nullptr;
#ifdef Q_OS_WIN
    return reinterpret_cast<QFunctionPointer>(Win32::exportedAddress(handle, symbol));
#else
    return reinterpret_cast<QFunctionPointer>(dlsym(handle, symbol));
#endif
}
