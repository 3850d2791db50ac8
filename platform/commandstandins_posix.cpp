#include "processes.h"
#include "removalwalk.h"
#include "systemplatform.h"
#include "windowscommandline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

// Stand-ins for what Windows' cmd, del, rmdir and taskkill would do, so that the same command
// lines work here: the commands are split by Windows' rules; del, rmdir and taskkill are done
// in this process (del and rmdir on Windows too), cmd /C starts a file by its absolute path. No
// program is ever looked up in this program's own folder or the current one, where anybody may have
// put one.

namespace {
bool sameWord(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// The backslash that joins folder and name in the Windows forms becomes a slash.
QString posixPath(QString path)
{
    const qsizetype joint = path.lastIndexOf(QLatin1Char('\\'));
    if (joint >= 0)
        path[joint] = QLatin1Char('/');
    return path;
}

} // namespace

bool SystemPlatform::launch(const QString &programFile, const QString &commandLine,
                            Checked *checked)
{
    QStringList words = splitWindowsCommandLine(commandLine);
    if (words.isEmpty() || words.first().isEmpty())
        return false;
    const QString program = words.takeFirst();
    if (!programFile.isEmpty())
        return Processes::startDetached(programFile, words);

    if (sameWord(program, "taskkill") && words.size() == 3 && sameWord(words[0], "/IM")
        && sameWord(words[2], "/F")) {
        Processes::killByName(words[1]);
        return true;
    }

    // The two removals, in this program, as on Windows.
    const CmdRemoval removal = cmdRemoval(commandLine);
    if (removal.kind != CmdRemoval::Kind::None) {
        const QString target = posixPath(removal.path);
        if (!QDir::isAbsolutePath(target))
            return false; // never relative to the current folder
        if (removal.kind == CmdRemoval::Kind::RemoveTree) {
            RemovalWalk::removeTree(target, RemovalWalk::Hidden::Remove);
            return true;
        }
        // That one entry, a file or a link to one (as itself); del leaves folders alone, and
        // links to them.
        struct stat entry = {}, leadsTo = {};
        const QByteArray name = QFile::encodeName(target);
        if (::lstat(name.constData(), &entry) == 0 && !S_ISDIR(entry.st_mode)
            && !(S_ISLNK(entry.st_mode) && ::stat(name.constData(), &leadsTo) == 0
                 && S_ISDIR(leadsTo.st_mode)))
            ::unlink(name.constData());
        return true;
    }

    // cmd reads what follows /C by its own quote rule, not by the usual splitting.
    const QString afterSwitch = cmdSwitchText(commandLine);
    if (!afterSwitch.isNull()) {
        words = splitWindowsCommandLine(cmdCommandText(afterSwitch, [](const QString &path) {
            return Processes::isProgram(posixPath(path));
        }));
        if (words.isEmpty())
            return false;
        const QString target = posixPath(words.last());
        if (!QDir::isAbsolutePath(target))
            return false; // never relative to the current folder
        if (words.size() == 1 && checked) {
            // Exactly the file named, opened once, checked and run from that descriptor.
            if (target != posixPath(checked->file))
                return false;
            const int file = Processes::openTrusted(target, &checked->why);
            if (file < 0)
                return false;
            checked->started = Processes::startWatched(file, {});
            if (checked->started == 0)
                checked->why = startFailedText();
            return checked->started != 0;
        }
        if (words.size() == 1) {
            const QFileInfo file(target);
            if (!file.exists())
                return false;
            if (Processes::isProgram(file.absoluteFilePath()))
                return Processes::startDetached(file.absoluteFilePath(), {});
            return Processes::startDetached(Processes::findSystemTool("xdg-open"),
                                            {file.absoluteFilePath()});
        }
        return false;
    }

    return false; // anything else only by an explicit program file
}
