// Reading a server's listing at its bounds (64 MB, 1,000,000 entries) and
// error lines built to make a search go back: the readers beside the least
// a line-based reader must do with the same bytes (split them into lines
// and decode each), measured in the same run.
#include "MedianTime.h"
#include "ftp/CFtpListReader.h"
#include "run/CErrorLineParser.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray listing(const char *format, qsizetype lines)
{
    QByteArray text;
    for (qsizetype i = 0; i < lines; ++i)
        text += QString::asprintf(format, int(i), int(i)).toLatin1();
    return text;
}

// The floor: lines split and decoded, nothing parsed.
qsizetype splitAndDecode(const QByteArray &text)
{
    qsizetype chars = 0;
    for (const QByteArray &line : text.split('\n'))
        chars += QString::fromUtf8(line).size();
    return chars;
}

void readListing(const char *what, const QByteArray &text)
{
    qsizetype entries = 0;
    bool cut = false;
    const double ms = medianMs(3, [&] {
        CFtpListReader reader;
        for (qsizetype at = 0; at < text.size() && reader.feed(text.constData() + at, std::min<qsizetype>(100 * 1024, text.size() - at));)
            at += 100 * 1024;
        reader.finish();
        cut = reader.isCut();
        entries = reader.takeEntries().size();
    });
    qsizetype chars = 0;
    const double floorMs = medianMs(3, [&] { chars = splitAndDecode(text); });
    std::printf("%-34s %6.1f MB: %8lld entries%s in %7.1f ms; split and decode alone %6.1f ms (%.1fx)\n", what,
                text.size() / 1048576.0, static_cast<long long>(entries), cut ? " (cut)" : "", ms, floorMs, ms / floorMs);
}

void errorLine(const char *what, const QString &unit, const QString &last)
{
    QString line;
    while (line.size() + unit.size() + last.size() <= CErrorLineParser::MaxLineLength)
        line += unit;
    line += last;
    const CErrorLineParser parser(QStringLiteral("/home/user/scripts/test.pl"));
    int found = 0;
    const double ms = medianMs(5, [&] { found = parser.lineNumber(line); });
    qsizetype count = 0;
    const double floorMs = medianMs(5, [&] { count = line.count(QStringLiteral("test.pl")); });
    std::printf("%-34s %6lld chars: line %d in %7.2f ms; finding the names alone %6.2f ms\n", what,
                static_cast<long long>(line.size()), found, ms, floorMs);
}

} // namespace

int main()
{
    readListing("Unix, 1,000,000 lines", listing("-rw-r--r--   1 ann  web     %6d Mar 04 09:05 f%d.pl\r\n", 1000000));
    readListing("DOS, 1,100,000 lines", listing("01-02-20  10:30PM %17d n%d.txt\r\n", 1100000));
    readListing("1 MB DOS lines of blanks, 64 of them",
                (QByteArray("01-01-20 1:00") + QByteArray(1 << 20, ' ') + "X\r\n").repeated(64));
    errorLine("\"at xtest.pl line 1. \" repeated", QStringLiteral("at xtest.pl line 1. "), QString());
    errorLine("\"b/../test.pl line 1. \" repeated", QStringLiteral("b/../test.pl line 1. "), QString());
    errorLine("the same, the script named last", QStringLiteral("at xtest.pl line 1. "),
              QStringLiteral("at ../scripts/test.pl line 9."));
    return 0;
}
