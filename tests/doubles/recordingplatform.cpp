#include "recordingplatform.h"

QString RecordingPlatform::folderPath(Folder folder)
{
    return folders.value(folder);
}

QString RecordingPlatform::programFolder()
{
    return ownFolder;
}

void RecordingPlatform::sleep(int milliseconds)
{
    sleeps << milliseconds;
    if (onSleep)
        onSleep();
}

void RecordingPlatform::exitProcess(int status)
{
    exits << status;
}

bool RecordingPlatform::holdSingleInstance(const QString &)
{
    return true; // no other copy in a test
}

bool RecordingPlatform::isExecutableCode(const void *)
{
    return false; // runs no code it is handed
}

bool RecordingPlatform::hasDisplay()
{
    return true; // the windows under test are shown off-screen
}

bool RecordingPlatform::showSystemBox(const QString &, const QString &, bool)
{
    return false; // the windows under test show Qt's boxes
}

QStringList RecordingPlatform::systemFolders()
{
    return {}; // the windows under test get their folders from `folders`
}

bool RecordingPlatform::launch(const QString &, const QString &commandLine, Checked *checked)
{
    if (checked && refusal) {
        checked->why = *refusal;
        return false;
    }
    commands << commandLine;
    if (onStart)
        onStart(commandLine);
    if (checked)
        checked->started = commands.size();
    return true;
}

bool RecordingPlatform::isPlainFile(const QString &path)
{
    return !notPlainFiles.contains(path);
}

std::optional<int> RecordingPlatform::exitStatus(ProcessId)
{
    return checkedStatus;
}
