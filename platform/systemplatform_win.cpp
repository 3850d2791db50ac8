#include "systemplatform.h"

#include "win32api.h"

#include <cstdlib>

bool SystemPlatform::launch(const QString &program, const QString &commandLine)
{
    return Win32::startHidden(commandLine.toStdWString(), program.toStdWString());
}

bool isExecutableCode(const void *address)
{
    return Win32::isExecutableCode(address);
}

QString SystemPlatform::folderPath(Folder folder)
{
    Win32::Folder which = Win32::Folder::Desktop;
    if (folder == Folder::Startup)
        which = Win32::Folder::Startup;
    else if (folder == Folder::Programs)
        which = Win32::Folder::Programs;
    return QString::fromStdWString(Win32::folderPath(which));
}

QString SystemPlatform::programFolder()
{
    return QString::fromStdWString(Win32::programFolder());
}

void SystemPlatform::sleep(int milliseconds)
{
    Win32::sleep(static_cast<unsigned>(milliseconds));
}

void SystemPlatform::exitProcess(int status)
{
    std::exit(status);
}

bool SystemPlatform::holdSingleInstance(const QString &name)
{
    return Win32::holdNamedMutex(name.toStdWString());
}
