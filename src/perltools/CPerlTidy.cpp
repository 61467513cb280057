#include "CPerlTidy.h"

#include "CToolRun.h"

#include <QDir>
#include <QFileInfo>

QString CPerlTidy::profileFor(const QString &scriptPath)
{
    if (scriptPath.isEmpty())
        return {};
    QDir dir = QFileInfo(scriptPath).absoluteDir();
    for (;;) {
        const QString candidate = dir.filePath(QStringLiteral(".perltidyrc"));
        if (QFileInfo(candidate).isFile())
            return candidate;
        if (!dir.cdUp())
            return {};
    }
}

CPerlTidy::Result CPerlTidy::tidy(const QByteArray &text, const QString &scriptPath, const QByteArray &lineEnd) const
{
    Result result;
    QStringList arguments{QStringLiteral("-st"), QStringLiteral("-se")};
    const QString profile = profileFor(scriptPath);
    if (!profile.isEmpty())
        arguments << QStringLiteral("-pro=") + profile;
    CToolRun run(m_program, arguments);
    run.setInput(text);
    run.setWorkingDirectory(scriptPath.isEmpty() ? QString() : QFileInfo(scriptPath).absolutePath());
    run.setTimeLimit(60000);
    run.setOutputLimit(std::max<qsizetype>(64 * 1024 * 1024, text.size() * 4));
    const CToolResult done = run.run();
    if (!done.started) {
        result.toolMissing = done.programMissing();
        result.errors = done.startProblem(QStringLiteral("perltidy"), QStringLiteral("perltidy"));
        return result;
    }
    result.errors = QString::fromUtf8(done.errors).trimmed();
    if (done.timedOut) {
        result.errors = QStringLiteral("perltidy did not finish within a minute.");
        return result;
    }
    // Anything but a clean end, or a text cut short, leaves the script alone.
    if (done.exitCode != 0 || done.outputCut || (done.output.isEmpty() && !text.trimmed().isEmpty())) {
        if (result.errors.isEmpty())
            result.errors = QStringLiteral("perltidy ended with exit code %1.").arg(done.exitCode);
        return result;
    }
    QByteArray tidied = done.output;
    tidied.replace("\r\n", "\n");
    if (!text.endsWith('\n') && !text.endsWith('\r') && tidied.endsWith('\n'))
        tidied.chop(1);
    if (lineEnd != "\n")
        tidied.replace("\n", lineEnd);
    result.ok = true;
    result.text = tidied;
    return result;
}
