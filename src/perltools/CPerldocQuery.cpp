#include "CPerldocQuery.h"

#include <QSet>

namespace {

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Punctuation variables of one character after the sigil ("$/", "$!", "$0").
bool isPunctuationName(char c)
{
    return QByteArrayView("&`'+!@/\\,;.0<>[]^:?-|\"$(){}=~%").contains(c);
}

const QSet<QString> &syntaxWords()
{
    static const QSet<QString> words{QStringLiteral("if"),      QStringLiteral("elsif"),
                                     QStringLiteral("else"),    QStringLiteral("unless"),
                                     QStringLiteral("while"),   QStringLiteral("until"),
                                     QStringLiteral("for"),     QStringLiteral("foreach"),
                                     QStringLiteral("given"),   QStringLiteral("when"),
                                     QStringLiteral("default"), QStringLiteral("continue")};
    return words;
}

const QSet<QString> &operatorWords()
{
    static const QSet<QString> words{
        QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"), QStringLiteral("xor"),
        QStringLiteral("lt"),  QStringLiteral("gt"), QStringLiteral("le"),  QStringLiteral("ge"),
        QStringLiteral("eq"),  QStringLiteral("ne"), QStringLiteral("cmp"), QStringLiteral("x")};
    return words;
}

const char kOperatorChars[] = "=~!<>&|+-*/%.^?:\\";

} // namespace

QString CPerldocQuery::wordAt(const QByteArray &line, int column)
{
    const qsizetype n = line.size();
    qsizetype at = std::clamp<qsizetype>(column, 0, n);
    const auto wordLike = [&](qsizetype i) { return i >= 0 && i < n && (isWordByte(line[i]) || line[i] == ':'); };
    // The caret just after a word counts as on it.
    if (!wordLike(at) && wordLike(at - 1))
        --at;
    if (wordLike(at)) {
        qsizetype start = at;
        qsizetype end = at;
        while (wordLike(start - 1))
            --start;
        while (wordLike(end))
            ++end;
        while (start < end && line[start] == ':')
            ++start;
        while (end > start && line[end - 1] == ':')
            --end;
        if (start == end)
            return {};
        // A sigil before the name makes it a variable ("$ARGV", "@INC", "%ENV").
        if (start > 0 && QByteArrayView("$@%").contains(line[start - 1]))
            --start;
        return QString::fromUtf8(line.mid(start, end - start));
    }
    // "$_" style: a sigil and one punctuation character around the caret.
    for (qsizetype s : {at, at - 1}) {
        if (s >= 0 && s + 1 < n && QByteArrayView("$@%").contains(line[s])
            && (isPunctuationName(line[s + 1]) || line[s + 1] == '_'))
            return QString::fromUtf8(line.mid(s, 2));
    }
    const auto operatorChar = [&](qsizetype i) { return i >= 0 && i < n && QByteArrayView(kOperatorChars).contains(line[i]); };
    if (!operatorChar(at) && operatorChar(at - 1))
        --at;
    if (operatorChar(at)) {
        qsizetype start = at;
        qsizetype end = at;
        while (operatorChar(start - 1) && at - start < 3)
            --start;
        while (operatorChar(end) && end - at < 3)
            ++end;
        return QString::fromUtf8(line.mid(start, end - start));
    }
    return {};
}

QList<QStringList> CPerldocQuery::attempts(const QString &word)
{
    if (word.isEmpty())
        return {};
    const QChar first = word.at(0);
    if (first == u'$' || first == u'@' || first == u'%')
        return {{QStringLiteral("-v"), word}};
    if (syntaxWords().contains(word))
        return {{QStringLiteral("perlsyn")}};
    if (operatorWords().contains(word) || !(first.isLetterOrNumber() || first == u'_'))
        return {{QStringLiteral("perlop")}};
    if (word.contains(QLatin1String("::")) || first.isUpper())
        return {{word}};
    // Lower case: a function, else a pragma or module of that name ("strict").
    return {{QStringLiteral("-f"), word}, {word}};
}
