#include "CTerminalLauncher.h"

#include "app/CInstallLayout.h"

#include "CInputSwallower.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// The terminal program and the arguments that come before "-e", or empty.
QStringList findTerminal()
{
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TERMINAL").trimmed();
    if (!fromEnvironment.isEmpty()) {
        const QStringList words = QProcess::splitCommand(fromEnvironment);
        if (!words.isEmpty()) {
            const QString program = words.first();
            const QString found = program.contains(QLatin1Char('/'))
                                      ? (QFileInfo(program).isExecutable() && QFileInfo(program).isFile()
                                             ? program
                                             : QString())
                                      : QStandardPaths::findExecutable(program);
            if (!found.isEmpty())
                return QStringList{found} + words.mid(1);
        }
    }
    for (const char *name : {"x-terminal-emulator", "xterm"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return {found};
    }
    return {};
}


} // namespace

QStringList CTerminalLauncher::terminalCommand(const QStringList &command)
{
    if (command.isEmpty())
        return {};
    QStringList terminal = findTerminal();
    if (terminal.isEmpty())
        return {};
    // "-e" hands the rest of the list to the terminal as program and arguments.
    return terminal + QStringList{QStringLiteral("-e")} + command;
}

QString CTerminalLauncher::displayCommandLine(const QStringList &command)
{
    return command.join(QLatin1Char(' '));
}

QString CTerminalLauncher::launcherProgram()
{
    return CInstallLayout::ofThisProgram().companion(QStringLiteral("korbu"));
}

bool CTerminalLauncher::runAndWait(const QStringList &command, const QString &workingDirectory)
{
    const QStringList full = terminalCommand(command);
    if (full.isEmpty())
        return false;

    QProcess terminal;
    terminal.setProgram(full.first());
    terminal.setArguments(full.mid(1));
    if (!workingDirectory.isEmpty())
        terminal.setWorkingDirectory(workingDirectory);
    terminal.setStandardInputFile(QProcess::nullDevice());
    terminal.setProcessChannelMode(QProcess::ForwardedChannels);

    terminal.start();
    if (!terminal.waitForStarted(-1))
        return false;
    if (terminal.state() == QProcess::Running) {
        // Windows keep repainting; clicks and keys meanwhile are dropped.
        CInputSwallower swallower(QCoreApplication::instance());
        QEventLoop loop;
        QObject::connect(&terminal, &QProcess::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
