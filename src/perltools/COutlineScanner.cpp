#include "COutlineScanner.h"

#include <QRegularExpression>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A name after `keyword` at the start of `line` (blanks allowed before).
QByteArray nameAfter(QByteArrayView line, QByteArrayView keyword)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (!line.sliced(i).startsWith(keyword))
        return {};
    i += keyword.size();
    if (i >= line.size() || !isBlank(line[i]))
        return {};
    while (i < line.size() && isBlank(line[i]))
        ++i;
    const qsizetype start = i;
    while (i < line.size() && (QChar::isLetterOrNumber(static_cast<uchar>(line[i])) || line[i] == '_' || line[i] == ':'
                               || line[i] == '\''))
        ++i;
    return line.sliced(start, i - start).toByteArray();
}

// The terminator of a here-document that starts on `line`, if any ("<<EOF", "<<~'END'", "<<\"X\"").
QByteArray hereTerminator(QByteArrayView line, bool &indented)
{
    static const QRegularExpression here(QStringLiteral("<<(~?)(?:\"([^\"\\n]*)\"|'([^'\\n]*)'|([A-Za-z_]\\w*))"));
    const QString text = QString::fromLatin1(line.data(), line.size());
    const auto match = here.match(text);
    if (!match.hasMatch())
        return {};
    indented = !match.captured(1).isEmpty();
    for (int group : {2, 3, 4})
        if (match.capturedStart(group) >= 0)
            return match.captured(group).toLatin1();
    return {};
}

} // namespace

QList<COutlineEntry> COutlineScanner::scan(const QByteArray &text)
{
    QList<COutlineEntry> entries;
    bool inPod = false;
    QByteArray here;
    bool hereIndented = false;
    int number = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView line(text.constData() + start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        ++number;
        if (!here.isEmpty()) {
            const QByteArrayView bare = hereIndented ? line.trimmed() : line;
            if (bare == here)
                here.clear();
            continue;
        }
        if (inPod) {
            inPod = !line.startsWith("=cut");
            continue;
        }
        if (line.startsWith('=') && line.size() > 1 && QChar::isLetter(line[1])) {
            inPod = !line.startsWith("=cut");
            continue;
        }
        if (line.startsWith("__END__") || line.startsWith("__DATA__"))
            break;
        const QByteArray package = nameAfter(line, "package");
        if (!package.isEmpty())
            entries.append({COutlineEntry::Package, QString::fromUtf8(package), number});
        const QByteArray sub = nameAfter(line, "sub");
        if (!sub.isEmpty())
            entries.append({COutlineEntry::Sub, QString::fromUtf8(sub), number});
        if (line.contains("<<"))
            here = hereTerminator(line, hereIndented);
    }
    return entries;
}

bool COutlineScanner::matches(const COutlineEntry &entry, const QString &filter)
{
    return entry.name.contains(filter.trimmed(), Qt::CaseInsensitive);
}
