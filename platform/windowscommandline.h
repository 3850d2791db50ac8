#pragma once

#include <QStringList>

#include <functional>

// Splits a command line into arguments by the rules Windows programs use
// (those of CommandLineToArgvW), so a command reads the same on every system.
QStringList splitWindowsCommandLine(const QString &commandLine);

// What cmd runs of the text after "cmd /C", by cmd's own quote rule: the quotes stay only when
// there are exactly two, with a blank and none of &<>()@^| between them, around the name of an
// executable file (`isExecutableFile` tells); otherwise a leading quote goes, and the last one.
QString cmdCommandText(const QString &afterSwitch,
                       const std::function<bool(const QString &)> &isExecutableFile);
