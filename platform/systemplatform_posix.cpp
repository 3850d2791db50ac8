#include "systemplatform.h"

#include "processes.h"

#include <QThread>

#include <cstdint>
#include <cstdlib>
#include <link.h>

bool SystemPlatform::isExecutableCode(const void *address)
{
    // Inside one of the executable segments of a loaded module, as its program headers
    // describe them: nothing to read from /proc, nothing a data item could pass.
    struct Query
    {
        std::uintptr_t where;
        bool found;
    } query = {reinterpret_cast<std::uintptr_t>(address), false};
    dl_iterate_phdr(
        [](dl_phdr_info *module, size_t, void *data) {
            auto *q = static_cast<Query *>(data);
            for (ElfW(Half) i = 0; i < module->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = module->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X))
                    continue;
                const std::uintptr_t start = module->dlpi_addr + segment.p_vaddr;
                if (q->where >= start && q->where < start + segment.p_memsz) {
                    q->found = true;
                    return 1;
                }
            }
            return 0;
        },
        &query);
    return query.found;
}

bool SystemPlatform::hasDisplay()
{
    // Qt's platform plugin, or a display of the kinds it knows, is named somewhere.
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
           || !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool SystemPlatform::showSystemBox(const QString &, const QString &, bool)
{
    return false; // no box below Qt's here
}

std::optional<int> SystemPlatform::exitStatus(ProcessId process)
{
    return Processes::exitStatus(static_cast<pid_t>(process));
}

void SystemPlatform::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void SystemPlatform::exitProcess(int status)
{
    std::exit(status);
}
