#include "windowscommandline.h"

#include <algorithm>

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
} // namespace

QStringList splitWindowsCommandLine(const QString &commandLine)
{
    QStringList arguments;
    const qsizetype size = commandLine.size();
    qsizetype i = 0;

    // The program name knows no escapes: quoted up to the next quote, or up to a blank.
    QString program;
    if (i < size && commandLine.at(i) == QLatin1Char('"')) {
        ++i;
        while (i < size && commandLine.at(i) != QLatin1Char('"'))
            program += commandLine.at(i++);
        if (i < size)
            ++i;
    } else {
        while (i < size && !isBlank(commandLine.at(i)))
            program += commandLine.at(i++);
    }
    if (program.isEmpty() && i == 0)
        return arguments;
    arguments << program;

    for (;;) {
        while (i < size && isBlank(commandLine.at(i)))
            ++i;
        if (i >= size)
            break;

        QString argument;
        bool quoted = false;
        while (i < size && (quoted || !isBlank(commandLine.at(i)))) {
            const QChar c = commandLine.at(i);
            if (c == QLatin1Char('\\')) {
                qsizetype slashes = 0;
                while (i < size && commandLine.at(i) == QLatin1Char('\\')) {
                    ++slashes;
                    ++i;
                }
                if (i < size && commandLine.at(i) == QLatin1Char('"')) {
                    // 2n backslashes and a quote: n backslashes, the quote delimits;
                    // 2n+1: n backslashes and a literal quote.
                    argument += QString(slashes / 2, QLatin1Char('\\'));
                    if (slashes % 2 == 1) {
                        argument += QLatin1Char('"');
                        ++i;
                    }
                } else {
                    argument += QString(slashes, QLatin1Char('\\'));
                }
            } else if (c == QLatin1Char('"')) {
                if (quoted && i + 1 < size && commandLine.at(i + 1) == QLatin1Char('"')) {
                    argument += QLatin1Char('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments << argument;
    }
    return arguments;
}

QString cmdCommandText(const QString &afterSwitch,
                       const std::function<bool(const QString &)> &isExecutableFile)
{
    QString text = afterSwitch;
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    const qsizetype first = text.indexOf(QLatin1Char('"'));
    const qsizetype last = text.lastIndexOf(QLatin1Char('"'));
    if (text.count(QLatin1Char('"')) == 2) {
        const QString inside = text.mid(first + 1, last - first - 1);
        const bool special = std::any_of(inside.begin(), inside.end(), [](QChar c) {
            return QStringView(u"&<>()@^|").contains(c);
        });
        const bool blank = std::any_of(inside.begin(), inside.end(), isBlank);
        if (!special && blank && isExecutableFile(inside))
            return text;
    }
    if (!text.startsWith(QLatin1Char('"')))
        return text;
    if (last == 0)
        return text.mid(1);
    return text.mid(1, last - 1) + text.mid(last + 1);
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

CmdRemoval cmdRemoval(const QString &commandLine)
{
    const QString afterSwitch = cmdSwitchText(commandLine);
    if (afterSwitch.isNull())
        return {};
    // One quoted path: cmd keeps or drops its quotes alike, so the words are the same either way.
    const QStringList words =
        splitWindowsCommandLine(cmdCommandText(afterSwitch, [](const QString &) { return false; }));
    const auto is = [&words](int at, const char *word) {
        return words[at].compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (words.size() != 4)
        return {};
    if (is(0, "del") && is(1, "/Q") && is(2, "/F"))
        return {CmdRemoval::Kind::DeleteEntry, words[3]};
    if (is(0, "rmdir") && is(1, "/S") && is(2, "/Q"))
        return {CmdRemoval::Kind::RemoveTree, words[3]};
    return {};
}
