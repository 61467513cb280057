#include "CDebugReply.h"

#include <QJsonDocument>
#include <QRegularExpression>

namespace {

const QRegularExpression &promptPattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\s*DB<+\\d+>+ $"));
    return pattern;
}

} // namespace

bool CDebugReply::isComplete(const QByteArray &text)
{
    // Only the tail matters; a prompt is a few bytes long.
    const QByteArray tail = text.right(64);
    static const QRegularExpression pattern(QStringLiteral("DB<+\\d+>+ $"));
    return pattern.match(QString::fromLatin1(tail)).hasMatch();
}

QString CDebugReply::withoutPrompt(const QString &text)
{
    QString result = text;
    const QRegularExpressionMatch match = promptPattern().match(result);
    if (match.hasMatch())
        result.truncate(match.capturedStart());
    return result;
}

CDebugLocation CDebugReply::location(const QString &text)
{
    // "main::(t.pl:3):", "main::foo(lib/A.pm:12):", "A::B::c(/x/y z.pl:7):";
    // a file name may hold parentheses and colons, the line number closes it.
    static const QRegularExpression pattern(QStringLiteral("^([\\w:']*)\\((.+):(\\d+)\\):"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pattern.match(text);
    CDebugLocation where;
    if (!match.hasMatch())
        return where;
    QString function = match.captured(1);
    if (function.endsWith(QLatin1String("::")))
        function.chop(2);
    where.function = function.isEmpty() ? QStringLiteral("main") : function;
    where.file = match.captured(2);
    where.line = match.captured(3).toInt();
    return where;
}

bool CDebugReply::isTerminated(const QString &text)
{
    return text.contains(QLatin1String("Debugged program terminated."));
}

int CDebugReply::notBreakableLine(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("Line (\\d+) not breakable\\."));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QList<CDebugFrame> CDebugReply::stack(const QString &text, const CDebugLocation &top)
{
    // Each line names a sub and where it was called from; the call site
    // belongs to the frame of the next line's sub (or the top level).
    static const QRegularExpression pattern(
        QStringLiteral("^[$@.] = (.*) called from file '(.*)' line (\\d+)$"), QRegularExpression::MultilineOption);
    struct Call { QString sub; QString file; int line; };
    QList<Call> calls;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        calls.append({match.captured(1), match.captured(2), match.captured(3).toInt()});
    }
    if (!calls.isEmpty() && calls.first().sub.startsWith(QLatin1String("DB::DB")))
        calls.removeFirst();

    QList<CDebugFrame> frames;
    CDebugFrame first;
    first.location = top;
    first.call = calls.isEmpty() ? QString() : calls.first().sub;
    frames.append(first);
    for (qsizetype i = 0; i < calls.size(); ++i) {
        CDebugFrame frame;
        frame.location.file = calls[i].file;
        frame.location.line = calls[i].line;
        if (i + 1 < calls.size()) {
            frame.call = calls[i + 1].sub;
            const qsizetype paren = frame.call.indexOf(QLatin1Char('('));
            frame.location.function = paren > 0 ? frame.call.left(paren) : frame.call;
        } else {
            frame.location.function = QStringLiteral("main");
        }
        frames.append(frame);
    }
    return frames;
}

QJsonObject CDebugReply::jsonBlock(const QString &text, bool *found)
{
    if (found)
        *found = false;
    const qsizetype begin = text.indexOf(jsonBegin());
    if (begin < 0)
        return {};
    const qsizetype from = begin + jsonBegin().size();
    const qsizetype end = text.indexOf(jsonEnd(), from);
    if (end < 0)
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.mid(from, end - from).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    if (found)
        *found = true;
    return document.object();
}

QString CDebugReply::withoutJsonBlock(const QString &text)
{
    const qsizetype begin = text.indexOf(jsonBegin());
    if (begin < 0)
        return text;
    const qsizetype end = text.indexOf(jsonEnd(), begin);
    if (end < 0)
        return text;
    qsizetype after = end + jsonEnd().size();
    if (after < text.size() && text[after] == QLatin1Char('\n'))
        ++after;
    return text.left(begin) + text.mid(after);
}
