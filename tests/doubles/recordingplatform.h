#pragma once

#include "platform.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

// A platform that changes nothing and remembers what it was asked, for tests and for tools
// that show windows without acting on the system.
class RecordingPlatform final : public Platform
{
public:
    QStringList commands;                         // every command line started, in order
    QList<int> sleeps;                            // every pause, in milliseconds
    QList<int> exits;                             // every exit status asked for
    QHash<Folder, QString> folders;               // what folderPath answers; empty when missing
    QString ownFolder;                            // what programFolder answers
    std::function<void()> onSleep;                // runs inside a pause, to look at the windows
    std::function<void(const QString &)> onStart; // runs as a command starts
    std::optional<QString> refusal;               // a checked start refused, saying this
    std::optional<int> checkedStatus;             // how the checked start ended; none: it runs
    QStringList notPlainFiles;                    // what isPlainFile denies; all else is one

    QString folderPath(Folder folder) override;
    QString programFolder() override;
    std::optional<int> exitStatus(ProcessId process) override;
    bool isPlainFile(const QString &path) override;
    void sleep(int milliseconds) override;
    void exitProcess(int status) override;
    bool holdSingleInstance(const QString &name) override;
    bool isExecutableCode(const void *address) override;
    QStringList systemFolders() override;
    bool hasDisplay() override;
    bool showSystemBox(const QString &title, const QString &text, bool warning) override;

protected:
    bool launch(const QString &program, const QString &commandLine, Checked *checked) override;
};
