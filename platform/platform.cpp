#include "platform.h"

#include "removalwalk.h"
#include "systemplatform.h"

namespace {
Platform *installed = nullptr;
}

Platform::~Platform() = default;

bool Platform::startHidden(const QString &commandLine)
{
    return !commandLine.isEmpty() && launch(QString(), commandLine);
}

bool Platform::startHidden(const QString &program, const QString &commandLine)
{
    return !program.isEmpty() && !commandLine.isEmpty() && launch(program, commandLine);
}

bool Platform::emptyProgramFolder()
{
    const QString folder = programFolder();
    return !folder.isEmpty() && RemovalWalk::removeTree(folder);
}

Platform &platform()
{
    if (installed)
        return *installed;
    static SystemPlatform system;
    return system;
}

void setPlatform(Platform *instance)
{
    installed = instance;
}
