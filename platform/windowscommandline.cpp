#include "windowscommandline.h"

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
