#include "platform.h"

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
