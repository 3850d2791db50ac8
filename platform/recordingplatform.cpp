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

bool RecordingPlatform::holdSingleInstance(const QString &name)
{
    if (lockTakenElsewhere || locksHeld.contains(name))
        return false;
    locksHeld << name;
    return true;
}

bool RecordingPlatform::launch(const QString &program, const QString &commandLine)
{
    commands << commandLine;
    programs << program;
    if (onStart)
        onStart(commandLine);
    return startSucceeds;
}
