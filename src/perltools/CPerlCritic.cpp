#include "CPerlCritic.h"

#include "CToolRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

QList<CCriticFinding> CPerlCritic::parse(const QByteArray &output)
{
    QList<CCriticFinding> findings;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 4)
            continue;
        bool lineOk = false;
        bool severityOk = false;
        CCriticFinding f;
        f.line = fields[0].toInt(&lineOk);
        f.severity = fields[1].toInt(&severityOk);
        if (!lineOk || !severityOk || f.line <= 0)
            continue;
        f.policy = QString::fromUtf8(fields[2]);
        f.message = QString::fromUtf8(fields.mid(3).join('\t')).trimmed();
        findings.append(f);
    }
    return findings;
}

CPerlCritic::Result CPerlCritic::critique(const QByteArray &text, const QString &scriptPath, int severity) const
{
    Result result;
    QTemporaryDir copyDir;
    const QString name = scriptPath.isEmpty() ? QStringLiteral("untitled.pl") : QFileInfo(scriptPath).fileName();
    const QString copy = copyDir.filePath(name);
    QFile file(copy);
    if (!copyDir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        result.errors = QStringLiteral("Could not write ") + copy;
        return result;
    }
    file.close();
    CToolRun run(m_program, {QStringLiteral("--severity"), QString::number(std::clamp(severity, 1, 5)),
                             QStringLiteral("--nocolor"), QStringLiteral("--verbose"),
                             QStringLiteral("%l\\t%s\\t%p\\t%m\\n"), copy});
    run.setWorkingDirectory(scriptPath.isEmpty() ? QString() : QFileInfo(scriptPath).absolutePath());
    run.setTimeLimit(120000);
    const CToolResult done = run.run();
    if (!done.started) {
        result.toolMissing = done.programMissing();
        result.errors = done.startProblem(QStringLiteral("perlcritic"), QStringLiteral("libperl-critic-perl"));
        return result;
    }
    if (done.timedOut) {
        result.errors = QStringLiteral("perlcritic did not finish within two minutes.");
        return result;
    }
    // 0: nothing found, 2: violations; anything else is a failure.
    if (done.exitCode != 0 && done.exitCode != 2) {
        result.errors = QString::fromUtf8(done.errors + done.output).trimmed();
        if (result.errors.isEmpty())
            result.errors = QStringLiteral("perlcritic ended with exit code %1.").arg(done.exitCode);
        return result;
    }
    result.ok = true;
    result.findings = parse(done.output);
    return result;
}
