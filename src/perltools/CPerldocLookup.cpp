#include "CPerldocLookup.h"

#include "CPerldocQuery.h"
#include "CToolRun.h"

#include <cerrno>

CPerldocLookup::Answer CPerldocLookup::lookup(const QString &word) const
{
    return firstFound(CPerldocQuery::attempts(word), word);
}

CPerldocLookup::Answer CPerldocLookup::lookupFunction(const QString &name) const
{
    const QString word = name.trimmed();
    if (word.isEmpty())
        return firstFound({}, word);
    return firstFound(QList<QStringList>{{QStringLiteral("-f"), word}} + CPerldocQuery::attempts(word), word);
}

CPerldocLookup::Answer CPerldocLookup::firstFound(const QList<QStringList> &attempts, const QString &word) const
{
    Answer answer;
    if (attempts.isEmpty()) {
        answer.message = QStringLiteral("No word under the caret to look up");
        return answer;
    }
    for (const QStringList &arguments : attempts) {
        CToolRun run(m_program, QStringList{QStringLiteral("-o"), QStringLiteral("html")} + arguments);
        run.setTimeLimit(20000);
        const CToolResult result = run.run();
        // Debian's perl package ships a perldoc that only asks for perl-doc.
        if (!result.started) {
            answer.toolMissing = result.programMissing();
            answer.message = result.startProblem(QStringLiteral("perldoc"), QStringLiteral("perl-doc"));
            return answer;
        }
        if (result.errors.contains("install the perl-doc package")) {
            answer.toolMissing = true;
            CToolResult absent;
            absent.startError = ENOENT;
            answer.message = absent.startProblem(QStringLiteral("perldoc"), QStringLiteral("perl-doc"));
            return answer;
        }
        if (result.finishedNormally() && result.exitCode == 0 && !result.output.trimmed().isEmpty()) {
            answer.html = result.output;
            return answer;
        }
    }
    answer.message = CPerldocQuery::notFound(word);
    return answer;
}
