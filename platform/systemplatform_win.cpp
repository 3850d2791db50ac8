#include "systemplatform.h"

#include "win32api.h"
#include "windowscommandline.h"

#include <QDir>

#include <cstdlib>

bool SystemPlatform::launch(const QString &program, const QString &commandLine, Checked *checked)
{
    // del and rmdir in this program: cmd's del of a folder deletes the files in it, and its
    // rmdir follows a link. The entry goes as itself, the tree by the removal walk.
    const CmdRemoval removal = cmdRemoval(commandLine);
    if (!checked && removal.kind != CmdRemoval::Kind::None) {
        if (!isFullPath(removal.path))
            return false; // never relative to the current folder
        const std::wstring target = QDir::toNativeSeparators(removal.path).toStdWString();
        if (removal.kind == CmdRemoval::Kind::DeleteEntry)
            Win32::deleteEntry(target);
        else
            Win32::removeTree(target, false, nullptr);
        return true;
    }
    if (!checked)
        return Win32::startHidden(commandLine.toStdWString(), program.toStdWString());
    // Held from the check until the installer ends: cmd opens the file after this returns.
    Win32::Unfit unfit = Win32::Unfit::None;
    if (!Win32::openTrusted(QDir::toNativeSeparators(checked->file).toStdWString(), unfit)) {
        checked->why = unfit == Win32::Unfit::NotOwned     ? notOwnedText()
                       : unfit == Win32::Unfit::Writable   ? writableText()
                       : unfit == Win32::Unfit::NotRegular ? notRegularText()
                                                           : QString();
        return false;
    }
    void *process = nullptr;
    if (!Win32::startHidden(commandLine.toStdWString(), program.toStdWString(), &process)) {
        checked->why = startFailedText();
        return false;
    }
    checked->started = reinterpret_cast<ProcessId>(process);
    return true;
}

std::optional<int> SystemPlatform::exitStatus(ProcessId process)
{
    unsigned long code = 0;
    if (!Win32::exitCode(reinterpret_cast<void *>(process), code))
        return std::nullopt;
    return static_cast<int>(code);
}

bool SystemPlatform::isExecutableCode(const void *address)
{
    return Win32::isExecutableCode(address);
}

bool SystemPlatform::hasDisplay()
{
    return true; // every session has a desktop
}

bool SystemPlatform::showSystemBox(const QString &title, const QString &text, bool warning)
{
    Win32::messageBox(title.toStdWString(), text.toStdWString(), warning);
    return true;
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

QString SystemPlatform::productFolder()
{
    // A second name of the program elsewhere (a hard link) makes its folder no product's.
    return Win32::linkCount(Win32::programFile()) == 1 ? programFolder() : QString();
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

Qt::CaseSensitivity Platform::fileNameCase()
{
    return Qt::CaseInsensitive;
}

bool Platform::isFullPath(const QString &path)
{
    const QString clean = QDir::fromNativeSeparators(path);
    return (clean.size() >= 3 && clean[0].isLetter() && clean[1] == QLatin1Char(':')
            && clean[2] == QLatin1Char('/'))
           || clean.startsWith(QLatin1String("//"));
}

namespace {
std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

QStringList SystemPlatform::systemFolders()
{
    // The system's own list; the environment may add to it, never take away.
    QStringList folders;
    for (const std::wstring &folder : Win32::systemFolders())
        folders << QString::fromStdWString(folder);
    for (const char *variable :
         {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
          "CommonProgramFiles(x86)", "CommonProgramW6432", "SystemRoot", "windir", "SystemDrive",
          "ProgramData", "PUBLIC", "ALLUSERSPROFILE", "USERPROFILE", "APPDATA", "LOCALAPPDATA",
          "OneDrive", "OneDriveConsumer", "OneDriveCommercial"})
        folders << qEnvironmentVariable(variable);
    folders.removeAll(QString());
    return folders;
}

bool SystemPlatform::isOrHoldsAny(const QString &folder, const QStringList &others)
{
    if (!isFullPath(folder))
        return false;
    std::vector<std::wstring> known;
    for (const QString &other : others)
        if (isFullPath(other))
            known.push_back(native(other));
    return Win32::isOrHoldsAny(native(folder), known);
}

bool SystemPlatform::isVolumeRoot(const QString &folder)
{
    return isFullPath(folder) && Win32::isVolumeRoot(native(folder));
}

bool SystemPlatform::isPlainFile(const QString &path)
{
    return isFullPath(path) && Win32::isPlainFile(native(path));
}

bool SystemPlatform::isPlainFolderIn(const QString &parent, const QString &name)
{
    return isFullPath(parent) && Win32::isPlainFolderIn(native(parent), native(name));
}
