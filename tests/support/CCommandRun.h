#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a program to its end with `env` (NAME=value entries) added to the
// test's environment. Returns empty on success, else what failed with the
// program's output; the merged output goes to `output` when given.
inline QString runCommand(const QString &program, const QStringList &args, const QStringList &env = {},
                          QString *output = nullptr, int timeoutMs = 300000)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : env)
        e.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool finished = p.waitForFinished(timeoutMs);
    const QString text = QString::fromUtf8(p.readAll());
    if (output)
        *output = text;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + p.errorString() + QLatin1Char('\n') + text;
    return {};
}
