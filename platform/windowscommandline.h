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

// What follows the switch of "cmd /C <text>", blank included; null when the line is not one.
QString cmdSwitchText(const QString &line);

// The two removals the programs ask of cmd, done in the program on every system: del /Q /F of
// one entry and rmdir /S /Q of a tree, each with its one path.
struct CmdRemoval
{
    enum class Kind
    {
        None,
        DeleteEntry,
        RemoveTree
    } kind = Kind::None;
    QString path;
};
CmdRemoval cmdRemoval(const QString &commandLine);
