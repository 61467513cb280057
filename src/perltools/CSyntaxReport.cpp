#include "CSyntaxReport.h"

#include "CSyntaxCheckCommand.h"
#include "run/CErrorLineParser.h"

QString diagnosticSummary(const QList<CDiagnostic> &diagnostics)
{
    qsizetype errors = 0;
    for (const CDiagnostic &d : diagnostics)
        errors += d.severity == CDiagnostic::Error;
    const qsizetype warnings = diagnostics.size() - errors;
    if (diagnostics.isEmpty())
        return QStringLiteral("No errors");
    const auto count = [](qsizetype n, const char *word) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word)).arg(n == 1 ? "" : "s");
    };
    if (warnings == 0)
        return count(errors, "error");
    if (errors == 0)
        return count(warnings, "warning");
    return count(errors, "error") + QStringLiteral(", ") + count(warnings, "warning");
}

namespace {
constexpr qsizetype kLongestMessage = 16 * 1024;
}

QList<CDiagnostic> CSyntaxReport::parse(const CToolResult &result, const QString &name)
{
    QList<CDiagnostic> found;
    const CErrorLineParser parser(name);
    // Invalid UTF-8 in a message becomes replacement characters.
    const QString text = QString::fromUtf8(result.errors);
    QString pending;   // lines that name no line of the script yet
    bool pendingWarning = false;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (i == lines.size() - 1 && line.isEmpty())
            break;
        bool warning = false;
        if (line.startsWith(QLatin1Char(CSyntaxCheckCommand::WarningMark))) {
            warning = true;
            line.remove(0, 1);
        }
        // What a script printed without a line end runs into Perl's next
        // message; the message, which names the line, is at the end.
        if (line.size() > kLongestMessage)
            line = line.right(kLongestMessage);
        if (line == QLatin1String("- syntax OK") || line == QLatin1String("- had compilation errors."))
            continue;
        const int number = parser.lineNumber(line);
        if (number == 0) {
            // A line of a longer message, or a message about another file.
            if (!pending.isEmpty() || warning || found.isEmpty()) {
                pending += (pending.isEmpty() ? QString() : QStringLiteral("\n")) + line;
                pendingWarning = pendingWarning || warning;
            } else {
                found.last().message += QLatin1Char('\n') + line;
            }
            continue;
        }
        // The consequence of the message before it, not an error of its own.
        if (line.startsWith(QLatin1String("BEGIN failed--compilation aborted")) && pending.isEmpty() && !found.isEmpty()
            && found.last().line == number) {
            found.last().message += QLatin1Char('\n') + line;
            continue;
        }
        CDiagnostic d;
        d.line = number;
        d.severity = warning ? CDiagnostic::Warning : CDiagnostic::Error;
        d.message = pending.isEmpty() ? line : pending + QLatin1Char('\n') + line;
        pending.clear();
        pendingWarning = false;
        found.append(d);
    }
    const bool failed = result.finishedNormally() && result.exitCode != 0;
    if (!pending.isEmpty() && (failed || !pendingWarning)) {
        bool anyError = false;
        for (const CDiagnostic &d : found)
            anyError = anyError || d.severity == CDiagnostic::Error;
        if (failed && !anyError)
            found.append({1, CDiagnostic::Error, pending});
        else if (!found.isEmpty())
            found.last().message += QLatin1Char('\n') + pending;
    }
    return found;
}

QString CSyntaxReport::status(const CToolResult &result, const QList<CDiagnostic> &diagnostics)
{
    if (!result.started)
        return QStringLiteral("Syntax check: the Perl interpreter could not be started.");
    if (result.timedOut)
        return QStringLiteral("Syntax check stopped after %1 s (a BEGIN block or a module may not end).")
            .arg(CSyntaxCheckCommand::TimeLimitMs / 1000);
    return diagnosticSummary(diagnostics);
}
