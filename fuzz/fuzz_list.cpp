#include "FuzzCheck.h"
#include "ftp/CFtpListParser.h"
#include "ftp/CFtpListReader.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(6, 0));

// The DOS form as a pattern, the way the reader once matched it; only
// short lines go through it, as backtracking makes long ones slow.
std::optional<CFtpEntry> referenceDos(const QString &line)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{2})-(\\d{2})-(\\d{2,4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+(<DIR>|\\d+)\\s(.+)$"));
    const auto m = form.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    CFtpEntry entry;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString half = m.captured(6).toUpper();
    if (half == QLatin1String("PM") && hour < 12)
        hour += 12;
    else if (half == QLatin1String("AM") && hour == 12)
        hour = 0;
    entry.modified = QDateTime(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()), QTime(hour, m.captured(5).toInt()));
    entry.isDirectory = m.captured(7) == QLatin1String("<DIR>");
    entry.size = entry.isDirectory ? 0 : CFtpListParser::sizeOf(m.captured(7));
    entry.name = m.captured(8).trimmed().isEmpty() ? QString() : m.captured(8);
    while (entry.name.startsWith(QLatin1Char(' ')))
        entry.name.remove(0, 1);
    if (entry.name.isEmpty())
        return std::nullopt;
    return entry;
}

QList<CFtpEntry> read(QByteArrayView bytes, qsizetype piece)
{
    CFtpListReader reader(kNow, 1 << 20, 1000);
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        if (!reader.feed(bytes.data() + at, std::min(piece, bytes.size() - at)))
            break;
    }
    reader.finish();
    return reader.takeEntries();
}

bool same(const CFtpEntry &a, const CFtpEntry &b)
{
    return a.name == b.name && a.size == b.size && a.isDirectory == b.isDirectory && a.modified == b.modified;
}

} // namespace

// A LIST reply read whole and in pieces gives the same entries, and a DOS
// line is read as the pattern reads it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = data[0] % 32 + 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const QList<CFtpEntry> whole = read(bytes, bytes.size() + 1);
    const QList<CFtpEntry> pieces = read(bytes, piece);
    FUZZ_CHECK(whole.size() == pieces.size());
    for (qsizetype i = 0; i < whole.size(); ++i) {
        FUZZ_CHECK(same(whole[i], pieces[i]));
        FUZZ_CHECK(whole[i].size >= 0 || whole[i].size == CFtpEntry::UnknownSize);
        FUZZ_CHECK(!whole[i].name.isEmpty());
    }
    for (const QByteArrayView line : QByteArray(bytes.data(), bytes.size()).split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (text.isEmpty() || !text.at(0).isDigit() || text.size() > 512)
            continue;
        const auto ours = CFtpListParser::parseLine(text, kNow);
        const auto reference = referenceDos(text);
        FUZZ_CHECK(ours.has_value() == reference.has_value());
        if (ours)
            FUZZ_CHECK(same(*ours, *reference));
    }
    return 0;
}
