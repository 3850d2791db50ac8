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
