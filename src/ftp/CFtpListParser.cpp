#include "CFtpListParser.h"

#include "CFtpListReader.h"

#include <QRegularExpression>

#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// The white space of a listing: blank, tab, line feed, vertical tab, form feed, carriage return.
bool isBlank(QChar c)
{
    return c.unicode() == ' ' || (c.unicode() >= '\t' && c.unicode() <= '\r');
}

// Steps forward through a line; each call looks only at the characters it takes.
class CLineScanner
{
public:
    explicit CLineScanner(QStringView text)
        : m_text(text)
    {
    }

    qsizetype position() const { return m_pos; }
    QStringView rest() const { return m_text.mid(m_pos); }

    // From `min` to `max` decimal digits as a number.
    bool number(int min, int max, int &value)
    {
        const qsizetype start = m_pos;
        value = 0;
        while (m_pos < m_text.size() && m_pos - start < max && isDigit(m_text.at(m_pos)))
            value = value * 10 + (m_text.at(m_pos++).unicode() - '0');
        return m_pos - start >= min;
    }
    QStringView digitRun()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isDigit(m_text.at(m_pos)))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }
    bool take(char16_t c)
    {
        if (m_pos >= m_text.size() || m_text.at(m_pos) != c)
            return false;
        ++m_pos;
        return true;
    }
    bool take(QStringView word)
    {
        if (!m_text.mid(m_pos).startsWith(word))
            return false;
        m_pos += word.size();
        return true;
    }
    bool blank() { return m_pos < m_text.size() && isBlank(m_text.at(m_pos)) && ++m_pos; }
    // The number of blanks taken.
    qsizetype blanks()
    {
        const qsizetype start = m_pos;
        while (blank()) {
        }
        return m_pos - start;
    }
    // "AM" or "PM" in either case, or nothing.
    QStringView halfDay()
    {
        const QStringView two = m_text.mid(m_pos, 2);
        if (two.size() < 2 || QStringLiteral("AaPp").indexOf(two.at(0)) < 0 || QStringLiteral("Mm").indexOf(two.at(1)) < 0)
            return {};
        m_pos += 2;
        return two;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

int monthNumber(const QString &word)
{
    static const char *const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString lower = word.toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == QLatin1String(months[i]))
            return i + 1;
    }
    return 0;
}

} // namespace

QList<CFtpEntry> CFtpListParser::parse(const QByteArray &listing, const QDateTime &now)
{
    CFtpListReader reader(now);
    reader.feed(listing.constData(), listing.size());
    reader.finish();
    return reader.takeEntries();
}

std::optional<CFtpEntry> CFtpListParser::parseLine(const QString &line, const QDateTime &now)
{
    if (line.isEmpty())
        return std::nullopt;
    if (line.at(0).isDigit())
        return parseDos(line);
    return parseUnix(line, now);
}

std::optional<CFtpEntry> CFtpListParser::parseUnix(const QString &line, const QDateTime &now)
{
    // Type letter and nine permission letters, then an optional ACL or attribute mark.
    static const QRegularExpression mode(QStringLiteral("^[-dlcbpsDn][-rwxsStTlL]{9}[+.@]?\\s"));
    if (!mode.match(line).hasMatch())
        return std::nullopt;

    // Fields as (start, end) positions, so that the name keeps its own blanks.
    QList<std::pair<int, int>> fields;
    for (int i = 0; i < line.size();) {
        while (i < line.size() && line.at(i) == QLatin1Char(' '))
            ++i;
        const int start = i;
        while (i < line.size() && line.at(i) != QLatin1Char(' '))
            ++i;
        if (i > start)
            fields.append({start, i});
    }
    auto field = [&](int k) { return line.mid(fields[k].first, fields[k].second - fields[k].first); };

    // The date is month, day, then a time or a year; the size stands just before it.
    for (int k = 2; k + 3 < fields.size(); ++k) {
        const int month = monthNumber(field(k));
        bool dayOk = false;
        const int day = field(k + 1).toInt(&dayOk);
        const QString timeOrYear = field(k + 2);
        if (!month || !dayOk || day < 1 || day > 31)
            continue;
        static const QRegularExpression timeForm(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
        static const QRegularExpression yearForm(QStringLiteral("^\\d{4}$"));
        const auto timeMatch = timeForm.match(timeOrYear);
        if (!timeMatch.hasMatch() && !yearForm.match(timeOrYear).hasMatch())
            continue;

        CFtpEntry entry;
        entry.rawLine = line;
        entry.isDirectory = line.at(0) == QLatin1Char('d');
        // A device line gives "major, minor" instead of a size.
        entry.size = k >= 3 && field(k - 2).endsWith(QLatin1Char(',')) ? 0 : sizeOf(field(k - 1));
        if (timeMatch.hasMatch()) {
            // No year: the last such date that is not in the future.
            int year = now.date().year();
            QDateTime t(QDate(year, month, day), QTime(timeMatch.captured(1).toInt(), timeMatch.captured(2).toInt()));
            if (t > now.addDays(1))
                t = t.addYears(-1);
            entry.modified = t;
        } else {
            entry.modified = QDateTime(QDate(timeOrYear.toInt(), month, day), QTime(0, 0));
        }
        // The name starts one blank after the time or year.
        QString name = line.mid(fields[k + 2].second + 1);
        if (line.at(0) == QLatin1Char('l')) {
            const int arrow = name.indexOf(QLatin1String(" -> "));
            if (arrow >= 0) {
                entry.linkTarget = name.mid(arrow + 4);
                name.truncate(arrow);
            }
        }
        if (name.isEmpty())
            return std::nullopt;
        entry.name = name;
        return entry;
    }
    return std::nullopt;
}

qint64 CFtpListParser::sizeOf(QStringView digits)
{
    if (digits.isEmpty())
        return CFtpEntry::UnknownSize;
    qint64 value = 0;
    for (const QChar c : digits) {
        const int d = c.unicode() - '0';
        if (d < 0 || d > 9 || value > (std::numeric_limits<qint64>::max() - d) / 10)
            return CFtpEntry::UnknownSize;
        value = value * 10 + d;
    }
    return value;
}

std::optional<CFtpEntry> CFtpListParser::parseDos(const QString &line)
{
    // "MM-DD-YY[YY] HH:MM[AM|PM] <DIR>|size name", read left to right without
    // going back, so that no line costs more than its length.
    CLineScanner s(line);
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!s.number(2, 2, month) || !s.take(u'-') || !s.number(2, 2, day) || !s.take(u'-'))
        return std::nullopt;
    const qsizetype yearStart = s.position();
    if (!s.number(2, 4, year))
        return std::nullopt;
    const bool twoDigitYear = s.position() - yearStart == 2;
    if (!s.blanks() || !s.number(1, 2, hour) || !s.take(u':') || !s.number(2, 2, minute))
        return std::nullopt;
    const qsizetype before = s.blanks();
    const QStringView half = s.halfDay();
    if ((half.isEmpty() ? before : s.blanks()) == 0)
        return std::nullopt;
    CFtpEntry entry;
    entry.isDirectory = s.take(u"<DIR>");
    const QStringView size = entry.isDirectory ? QStringView() : s.digitRun();
    if ((!entry.isDirectory && size.isEmpty()) || !s.blank())
        return std::nullopt;
    QStringView rest = s.rest();
    if (rest.endsWith(u'\n'))
        rest.chop(1);
    if (rest.isEmpty() || rest.contains(u'\n') || rest.trimmed().isEmpty())
        return std::nullopt;
    // Blanks between the size column and the name are padding.
    qsizetype padding = 0;
    while (rest.at(padding) == u' ')
        ++padding;
    entry.name = rest.mid(padding).toString();
    entry.rawLine = line;
    if (twoDigitYear)
        year += year < 70 ? 2000 : 1900;
    if (half.startsWith(u'P', Qt::CaseInsensitive) && hour < 12)
        hour += 12;
    else if (half.startsWith(u'A', Qt::CaseInsensitive) && hour == 12)
        hour = 0;
    entry.modified = QDateTime(QDate(year, month, day), QTime(hour, minute));
    entry.size = entry.isDirectory ? 0 : sizeOf(size);
    return entry;
}
