#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Everything the programs ask of the operating system. The windows only talk to this
// interface, so they are the same code on every system and the tests can watch them.
class Platform
{
public:
    enum class Folder
    {
        Desktop,
        Startup,
        Programs
    }; // the user's own, never created

    virtual ~Platform();

    // Starts a command line without a visible window and does not wait for it. False when
    // nothing could be started; an empty command line (one whose folder was unknown) starts
    // nothing at all.
    bool startHidden(const QString &commandLine);
    // The same, but starts exactly the program file `program`, never one found by a search;
    // the program still sees `commandLine` as its command line.
    bool startHidden(const QString &program, const QString &commandLine);

    // A process started to be asked about later; 0 is none.
    using ProcessId = qint64;

    // Starts `commandLine` as startHidden does, once `program`, the file it runs, has proven fit
    // to run in this user's name: a regular file of the user's (or of the system's) that nobody
    // else may write to, held so that it cannot be swapped or changed before the process has it.
    // Hands back the process, for exitStatus(); 0 when nothing was started, and then `why` says
    // why (empty when there is no such file).
    ProcessId startChecked(const QString &commandLine, const QString &program, QString *why);

    // Why startChecked started nothing, as the installer tells it.
    static QString notOwnedText();
    static QString writableText();
    static QString notRegularText();
    static QString startFailedText();

    // How a process startChecked started has ended: its exit status; none while it runs.
    virtual std::optional<int> exitStatus(ProcessId process) = 0;

    // Path of one of the user's special folders, whether or not it exists; empty when unknown.
    virtual QString folderPath(Folder folder) = 0;

    // The folder that holds the running program's own executable, proven to hold it; empty
    // when that cannot be proven: then nothing is to be removed or loaded from it.
    virtual QString programFolder() = 0;

    // The program's own folder as a product folder the uninstaller may empty: proven, the
    // running file its one name (no other hard link, not a file mounted over another) and that
    // name still in it now. Empty otherwise. By default, the program's folder.
    virtual QString productFolder();

    // Whether `folder` is one of `others` or holds one. Where the system can tell, by what the
    // file system knows them as, so that another name, a link above, a bind mount or another
    // spelling change nothing; by default by their paths. Folders that do not exist count not.
    virtual bool isOrHoldsAny(const QString &folder, const QStringList &others);

    // Whether `folder` is the root of a volume, drive or share (a mount point, on POSIX).
    virtual bool isVolumeRoot(const QString &folder);

    // Whether `path` is, as itself, a regular file: not a folder, a link or a junction. What
    // cmd is handed to open must be one, or cmd would open what it leads to or guess another.
    virtual bool isPlainFile(const QString &path);

    // Whether `name` in `parent` is a plain folder on parent's own volume: not a link, a
    // junction, a shortcut or a mount point.
    virtual bool isPlainFolderIn(const QString &parent, const QString &name);

    // Empties the program's own folder as the uninstaller does (see removalwalk.h). False when
    // something it meant to remove stays, and when the folder is not emptied at all (unknown,
    // or the root of a volume of its own).
    virtual bool emptyProgramFolder();

    virtual void sleep(int milliseconds) = 0;

    // Ends the process. The real one never returns; a fake may, so callers return right after.
    virtual void exitProcess(int status) = 0;

    // Takes the machine-wide lock of that name for the rest of the process's life.
    // False when another process holds it already.
    virtual bool holdSingleInstance(const QString &name) = 0;

    // True when `address` lies in executable code of a module loaded into this process.
    virtual bool isExecutableCode(const void *address) = 0;

    // Whether a window could come up at all: false when no display is named, and then the
    // programs say on stderr what a window would have said.
    virtual bool hasDisplay() = 0;

    // Shows the system's own message box (Ok only) and waits for it, for when no Qt box can be
    // shown; false when the system has none.
    virtual bool showSystemBox(const QString &title, const QString &text, bool warning) = 0;

    // The system's folders and the account's own (its home as the system knows it, whatever the
    // environment says), beyond Qt's standard locations: no product folder may be or hold one.
    virtual QStringList systemFolders() = 0;

    // How this system compares file names, and whether `path` is spelled out in full: Windows'
    // "C:" is absolute to Qt, yet it is the current folder on drive C.
    static Qt::CaseSensitivity fileNameCase();
    static bool isFullPath(const QString &path);

protected:
    // What startChecked asks of launch: the file to check and hold, and what became of it.
    struct Checked
    {
        QString file;          // the program the command line runs
        ProcessId started = 0; // the process, once started
        QString why;           // why it was not, when the file is there but unfit
    };

    // `commandLine` is never empty; `program` is empty when the system is to search for it.
    // With `checked`, the command runs `checked->file`, which is checked and held first.
    virtual bool launch(const QString &program, const QString &commandLine,
                        Checked *checked = nullptr) = 0;
};

Platform &platform();
void setPlatform(Platform *instance); // nullptr goes back to the system's own
