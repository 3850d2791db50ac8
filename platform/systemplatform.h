#pragma once

#include "platform.h"

// The operating system itself: Win32 on Windows, POSIX stand-ins elsewhere.
class SystemPlatform : public Platform
{
public:
    QString folderPath(Folder folder) override;
    QString programFolder() override;
#ifndef Q_OS_WIN
    bool emptyProgramFolder() override; // through the folder it holds open
#endif
    // By device and inode; on Windows by volume serial number and file ID.
    QString productFolder() override;
    bool isOrHoldsAny(const QString &folder, const QStringList &others) override;
    bool isVolumeRoot(const QString &folder) override;
    bool isPlainFolderIn(const QString &parent, const QString &name) override;
    bool isPlainFile(const QString &path) override;
    std::optional<int> exitStatus(ProcessId process) override;
    void sleep(int milliseconds) override;
    void exitProcess(int status) override;
    bool holdSingleInstance(const QString &name) override;
    bool isExecutableCode(const void *address) override;
    QStringList systemFolders() override;
    bool hasDisplay() override;
    bool showSystemBox(const QString &title, const QString &text, bool warning) override;

#ifndef Q_OS_WIN
    // The folder in `variable` when it is absolute, else `underHome` in an absolute HOME;
    // empty when neither is usable.
    static QString userFolder(const char *variable, const char *underHome);
    // TMPDIR when it names a folder, else /tmp, as the C library decides.
    static QByteArray tempFolder();
#endif

protected:
    bool launch(const QString &program, const QString &commandLine, Checked *checked) override;
};
