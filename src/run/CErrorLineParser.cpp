#include "CErrorLineParser.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The decimal number at the start of `text`, its digit count in `digits`; 0 when none.
int leadingNumber(QStringView text, qsizetype &digits)
{
    digits = 0;
    qint64 value = 0;
    while (digits < text.size() && digits < 9 && text.at(digits).isDigit()) {
        value = value * 10 + text.at(digits).digitValue();
        ++digits;
    }
    return static_cast<int>(value);
}

} // namespace

CErrorLineParser::CErrorLineParser(const QString &scriptPath)
{
    if (scriptPath.isEmpty())
        return;
    const QFileInfo info(scriptPath);
    m_path = QDir::cleanPath(info.absoluteFilePath());
    m_folder = QDir::cleanPath(info.absolutePath());
    m_name = info.fileName();
}

bool CErrorLineParser::namesScript(QStringView candidate) const
{
    if (candidate.isEmpty())
        return false;
    const QString text = candidate.toString();
    if (QDir::isAbsolutePath(text))
        return QDir::cleanPath(text) == m_path;
    return QDir::cleanPath(m_folder + QLatin1Char('/') + text) == m_path;
}

int CErrorLineParser::lineNumber(QStringView line) const
{
    if (m_name.isEmpty() || line.size() > MaxLineLength)
        return 0;
    static const QString perlLine = QStringLiteral(" line ");
    // Every way of naming the script ends in its bare name.
    for (qsizetype at = line.indexOf(m_name); at >= 0; at = line.indexOf(m_name, at + 1)) {
        const qsizetype end = at + m_name.size();
        const QStringView rest = line.mid(end);
        qsizetype digits = 0;
        if (rest.startsWith(perlLine)) {
            const int n = leadingNumber(rest.mid(perlLine.size()), digits);
            const qsizetype after = perlLine.size() + digits;
            if (n <= 0 || after >= rest.size() || (rest.at(after) != u'.' && rest.at(after) != u','))
                continue;
            // The path follows an "at " that starts the line or a word; the
            // path itself may hold "at ", so every such start is tried.
            for (qsizetype p = line.indexOf(u"at "); p >= 0 && p + 3 <= at; p = line.indexOf(u"at ", p + 1)) {
                if ((p == 0 || line.at(p - 1) == u' ') && namesScript(line.mid(p + 3, end - p - 3)))
                    return n;
            }
        } else if (rest.startsWith(u':')) {
            const int n = leadingNumber(rest.mid(1), digits);
            if (n > 0 && 1 + digits < rest.size() && rest.at(1 + digits) == u':' && namesScript(line.left(end)))
                return n;
        }
    }
    return 0;
}

void CErrorLineParser::examine(QStringView line, qsizetype start, QList<CErrorLink> &links) const
{
    if (const int n = lineNumber(line))
        links.append(CErrorLink{start, line.size(), n});
}

QList<CErrorLink> CErrorLineParser::feed(QStringView text, qsizetype position)
{
    QList<CErrorLink> links;
    if (m_name.isEmpty())
        return links;
    qsizetype from = 0;
    if (!m_partial.isEmpty() || m_partialTooLong) {
        const qsizetype nl = text.indexOf(u'\n');
        const QStringView head = nl < 0 ? text : text.left(nl);
        if (!m_partialTooLong && m_partial.size() + head.size() <= MaxLineLength)
            m_partial += head;
        else
            m_partialTooLong = true;
        if (nl < 0)
            return links;
        if (!m_partialTooLong)
            examine(m_partial, m_partialStart, links);
        m_partial.clear();
        m_partialTooLong = false;
        from = nl + 1;
    }
    // Only the lines that hold the script's bare name can be links.
    qsizetype lineStart = from;
    for (qsizetype at = text.indexOf(m_name, from); at >= 0; at = text.indexOf(m_name, lineStart)) {
        const qsizetype nl = text.indexOf(u'\n', at);
        if (nl < 0)
            break;
        const qsizetype previous = text.lastIndexOf(u'\n', at);
        const qsizetype begin = std::max(lineStart, previous + 1);
        examine(text.mid(begin, nl - begin), position + begin, links);
        lineStart = nl + 1;
    }
    const qsizetype tail = std::max(from, text.lastIndexOf(u'\n') + 1);
    if (tail < text.size()) {
        m_partialStart = position + tail;
        m_partialTooLong = text.size() - tail > MaxLineLength;
        if (!m_partialTooLong)
            m_partial = text.mid(tail).toString();
    }
    return links;
}
