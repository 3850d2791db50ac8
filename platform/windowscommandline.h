#pragma once

#include <QStringList>

// Splits a command line into arguments by the rules Windows programs use
// (those of CommandLineToArgvW), so a command reads the same on every system.
QStringList splitWindowsCommandLine(const QString &commandLine);
