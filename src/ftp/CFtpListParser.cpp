#include "CFtpListParser.h"

#include <QRegularExpression>

namespace {

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
    QList<CFtpEntry> entries;
    for (QByteArray line : listing.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QString text = QString::fromUtf8(line);
        if (auto entry = parseLine(text, now)) {
            entries.append(*entry);
        } else if (text.contains(QLatin1Char('*'))) {
            // The browser takes such a line apart by position.
            CFtpEntry whole;
            whole.name = whole.rawLine = text;
            whole.wholeLine = true;
            entries.append(whole);
        }
    }
    return entries;
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
        bool sizeOk = false;
        const qint64 size = field(k - 1).toLongLong(&sizeOk);
        // A device line gives "major, minor" instead of a size.
        entry.size = sizeOk && !(k >= 3 && field(k - 2).endsWith(QLatin1Char(','))) ? size : 0;
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

std::optional<CFtpEntry> CFtpListParser::parseDos(const QString &line)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{2})-(\\d{2})-(\\d{2,4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+(<DIR>|\\d+)\\s(.+)$"));
    const auto m = form.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    CFtpEntry entry;
    entry.rawLine = line;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString half = m.captured(6).toUpper();
    if (half == QLatin1String("PM") && hour < 12)
        hour += 12;
    else if (half == QLatin1String("AM") && hour == 12)
        hour = 0;
    entry.modified = QDateTime(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                               QTime(hour, m.captured(5).toInt()));
    entry.isDirectory = m.captured(7) == QLatin1String("<DIR>");
    entry.size = entry.isDirectory ? 0 : m.captured(7).toLongLong();
    // Blanks between the size column and the name are padding.
    entry.name = m.captured(8).trimmed().isEmpty() ? QString() : m.captured(8);
    while (entry.name.startsWith(QLatin1Char(' ')))
        entry.name.remove(0, 1);
    if (entry.name.isEmpty())
        return std::nullopt;
    return entry;
}
