#include "CFtpListReader.h"

#include "CFtpListParser.h"

#include <algorithm>

CFtpListReader::CFtpListReader(const QDateTime &now, qint64 maxBytes, qsizetype maxEntries)
    : m_now(now)
    , m_maxBytes(maxBytes)
    , m_maxEntries(maxEntries)
{
}

bool CFtpListReader::feed(const char *data, qsizetype size)
{
    if (m_cut)
        return false;
    if (size > m_maxBytes - m_received) {
        // What is beyond the limit is dropped, with the line it cuts.
        size = qsizetype(m_maxBytes - m_received);
        m_cut = true;
    }
    m_received += size;
    const char *const end = data + size;
    while (data < end && !m_cutForEntries) {
        const char *nl = std::find(data, end, '\n');
        // One byte over the bound leaves room for a carriage return.
        if (!m_lineTooLong && m_line.size() + (nl - data) <= MaxLineBytes + 1)
            m_line.append(data, nl - data);
        else
            m_lineTooLong = true;
        if (nl == end)
            break;
        endLine();
        data = nl + 1;
    }
    if (m_cut || m_cutForEntries) {
        m_cut = true;
        m_line.clear();
    }
    return !m_cut;
}

void CFtpListReader::finish()
{
    if (!m_cut)
        endLine();
}

void CFtpListReader::endLine()
{
    if (m_line.endsWith('\r'))
        m_line.chop(1);
    if (!m_lineTooLong && !m_line.isEmpty() && m_line.size() <= MaxLineBytes) {
        const QString text = QString::fromUtf8(m_line);
        std::optional<CFtpEntry> entry = CFtpListParser::parseLine(text, m_now);
        if (!entry && text.contains(QLatin1Char('*'))) {
            // The browser takes such a line apart by position.
            entry.emplace();
            entry->name = entry->rawLine = text;
            entry->wholeLine = true;
        }
        if (entry) {
            if (m_entries.size() < m_maxEntries)
                m_entries.append(std::move(*entry));
            else
                m_cutForEntries = true;
        }
    }
    m_line.clear();
    m_lineTooLong = false;
}

QString CFtpListReader::cutNote() const
{
    if (!m_cut)
        return {};
    if (m_cutForEntries)
        return QStringLiteral("The listing holds more than %L1 entries; only the first %L1 are shown.").arg(m_maxEntries);
    return QStringLiteral("The listing is longer than %L1 MB; only its first %L1 MB are read.").arg(m_maxBytes / (1024 * 1024));
}
