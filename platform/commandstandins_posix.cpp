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
// in this process, cmd /C starts a file by its absolute path. No program is ever looked up in
// this program's own folder or the current one, where anybody may have put one.

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

// What follows the switch of "cmd /C <text>", blank included; null when the line is not one.
// Plain scanning: the installer starts its first command while its window is being built.
QString cmdSwitchText(const QString &line)
{
    qsizetype at = 0;
    const auto blanks = [&line, &at] {
        const qsizetype from = at;
        while (at < line.size() && line[at].isSpace())
            ++at;
        return at > from;
    };
    const auto word = [&line, &at](QLatin1StringView text) {
        if (QStringView(line).mid(at, text.size()).compare(text, Qt::CaseInsensitive) != 0)
            return false;
        at += text.size();
        return true;
    };
    blanks();
    if (!word(QLatin1StringView("cmd")) || !blanks() || !word(QLatin1StringView("/C"))
        || at >= line.size() || !line[at].isSpace() || line.contains(QLatin1Char('\n')))
        return QString();
    return line.mid(at);
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
        if (words.size() == 4 && sameWord(words[0], "del") && sameWord(words[1], "/Q")
            && sameWord(words[2], "/F")) {
            // That one entry (a link as itself); del leaves folders alone.
            struct stat entry = {};
            const QByteArray name = QFile::encodeName(target);
            if (::lstat(name.constData(), &entry) == 0 && !S_ISDIR(entry.st_mode))
                ::unlink(name.constData());
            return true;
        }
        if (words.size() == 4 && sameWord(words[0], "rmdir") && sameWord(words[1], "/S")
            && sameWord(words[2], "/Q")) {
            RemovalWalk::removeTree(target, RemovalWalk::Hidden::Remove);
            return true;
        }
        if (words.size() == 1 && checked) {
            // Exactly the file named, opened once, checked and run from that descriptor.
            if (target != posixPath(checked->file))
                return false;
            const int program = Processes::openTrusted(target, &checked->why);
            if (program < 0)
                return false;
            checked->started = Processes::startWatched(program, {});
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
