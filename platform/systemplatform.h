#pragma once

#include "platform.h"

// The operating system itself: Win32 on Windows, POSIX stand-ins elsewhere.
class SystemPlatform : public Platform
{
public:
    QString folderPath(Folder folder) override;
    QString programFolder() override;
    void sleep(int milliseconds) override;
    void exitProcess(int status) override;
    bool holdSingleInstance(const QString &name) override;

protected:
    bool launch(const QString &program, const QString &commandLine) override;
};
