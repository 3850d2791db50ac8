#include "platform.h"

#include "systemplatform.h"

namespace {
Platform *installed = nullptr;
}

Platform::~Platform() = default;

bool Platform::startHidden(const QString &commandLine)
{
    return !commandLine.isEmpty() && launch(commandLine);
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
