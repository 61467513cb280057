#include "CErrorLineParser.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

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
    m_segments = m_path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool CErrorLineParser::namesScript(QStringView line, qsizetype end, const QList<qsizetype> &starts,
                                   const QList<qsizetype> &slashes) const
{
    // The candidates are the texts from one of `starts` to `end`. They share
    // their right end, so their segments are read once, from the right, the
    // way a path is cleaned: "." and empty segments drop out, ".." drops the
    // next segment to its left, and every segment kept must be the script
    // path's segment at that place. The first kept one that is not ends the
    // search; the place where a candidate starts then decides whether the
    // text from there is the script's path (from "/"), or names it relative to
    // the script's folder.
    const qsizetype total = m_segments.size();
    const qsizetype lo = std::max<qsizetype>(0, end - MaxPathLength);
    auto startIn = [&](qsizetype from, qsizetype to) { // a candidate start in [from, to]
        const auto it = std::lower_bound(starts.begin(), starts.end(), from);
        return it != starts.end() && *it <= to;
    };
    qsizetype j = 0;   // segments kept, matched from the right
    qsizetype k = 0;   // ".." segments still to drop one each
    qsizetype right = end;
    auto slash = std::lower_bound(slashes.begin(), slashes.end(), end);
    for (bool first = true;; first = false) {
        const bool more = slash != slashes.begin() && *(slash - 1) >= lo;
        const qsizetype left = more ? *(slash - 1) : lo - 1;   // the segment is (left, right)
        const QStringView segment = line.mid(left + 1, right - left - 1);
        if (first) {
            // The last segment holds the bare name: only the name itself is a candidate there.
            if (startIn(end - m_name.size(), end - m_name.size()) && segment.endsWith(m_name))
                return true;
        } else {
            if (startIn(right, right) && k == 0 && j == total)
                return true;   // the absolute path
            // Relative: the folder's segments are the script path's, so the
            // candidate must have kept one segment more than it dropped.
            const bool dot = segment.endsWith(u'.') && startIn(right - 1, right - 1);
            const bool dotDot = segment.endsWith(u"..") && startIn(right - 2, right - 2);
            if ((dot && j == k + 1) || (dotDot && j == k + 2))
                return true;
            if (k > 0 && j == k) {
                // Any other start in the segment leaves a word that drops.
                const qsizetype from = left + 1;
                const qsizetype to = right - 1 - (segment.endsWith(u'.') ? 1 : 0) - (segment.endsWith(u"..") ? 1 : 0);
                if (startIn(from, to))
                    return true;
            }
        }
        if (!more)
            return false;
        if (segment.isEmpty() || segment == u".") {
        } else if (segment == u"..") {
            ++k;
        } else if (k > 0) {
            --k;
        } else if (j < total && segment == m_segments.at(total - 1 - j)) {
            ++j;
        } else {
            return false;   // no start further left can mend this
        }
        right = left;
        --slash;
    }
}

int CErrorLineParser::lineNumber(QStringView line) const
{
    if (m_name.isEmpty() || line.size() > MaxLineLength)
        return 0;
    static const QString perlLine = QStringLiteral(" line ");
    QList<qsizetype> atStarts;   // where a path after a word "at " starts
    QList<qsizetype> slashes;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'/')
            slashes.append(i);
        else if (line.mid(i, 3) == u"at " && (i == 0 || line.at(i - 1) == u' '))
            atStarts.append(i + 3);
    }
    static const QList<qsizetype> lineStart{0};
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
            // path itself may hold "at ", so every such start is a candidate.
            if (namesScript(line, end, atStarts, slashes))
                return n;
        } else if (rest.startsWith(u':')) {
            const int n = leadingNumber(rest.mid(1), digits);
            if (n > 0 && 1 + digits < rest.size() && rest.at(1 + digits) == u':' && namesScript(line, end, lineStart, slashes))
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
