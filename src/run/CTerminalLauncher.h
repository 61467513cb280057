#pragma once

#include <QString>
#include <QStringList>

// Starts a terminal emulator ($TERMINAL, then x-terminal-emulator, then
// xterm) running a program with its arguments (never through a shell) and
// waits for it to end. While it waits the caller's windows still repaint,
// but no user input reaches them.
class CTerminalLauncher
{
public:
    // The program and arguments that start `command` in a terminal; empty
    // when no terminal emulator can be found.
    static QStringList terminalCommand(const QStringList &command);
    // The command line as shown in messages ("Could not run " + it).
    static QString displayCommandLine(const QStringList &command);
    // The console-window launcher: `korbu` beside the executable, else the
    // one found in PATH, else the path beside the executable.
    static QString launcherProgram();
    // Runs `command` in a terminal started in `workingDirectory` (the
    // editor's own folder when empty) and waits. False when no terminal
    // could be started.
    static bool runAndWait(const QStringList &command, const QString &workingDirectory = QString());
};
