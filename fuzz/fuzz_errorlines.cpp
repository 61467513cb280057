#include "FuzzCheck.h"
#include "run/CErrorLineParser.h"

#include <QDir>

#include <cstddef>
#include <cstdint>

namespace {

const QString kPath = QStringLiteral("/home/u/my at s/t.pl");

// The line number found by trying every "at " before every mention of the
// script and cleaning each candidate path: slow, so only for short lines.
int referenceLineNumber(const QString &line)
{
    const QString folder = QStringLiteral("/home/u/my at s");
    const QString name = QStringLiteral("t.pl");
    auto names = [&](const QString &candidate) {
        if (candidate.isEmpty() || candidate.size() > CErrorLineParser::MaxPathLength)
            return false;
        if (candidate.startsWith(QLatin1Char('/')))
            return QDir::cleanPath(candidate) == kPath;
        return QDir::cleanPath(folder + QLatin1Char('/') + candidate) == kPath;
    };
    auto number = [](QStringView text, qsizetype &digits) {
        digits = 0;
        int value = 0;
        while (digits < text.size() && digits < 9 && text.at(digits).isDigit())
            value = value * 10 + text.at(digits++).digitValue();
        return value;
    };
    for (qsizetype at = line.indexOf(name); at >= 0; at = line.indexOf(name, at + 1)) {
        const qsizetype end = at + name.size();
        const QStringView rest = QStringView(line).mid(end);
        qsizetype digits = 0;
        if (rest.startsWith(u" line ")) {
            const int n = number(rest.mid(6), digits);
            if (n <= 0 || 6 + digits >= rest.size() || (rest.at(6 + digits) != u'.' && rest.at(6 + digits) != u','))
                continue;
            for (qsizetype p = line.indexOf(u"at "); p >= 0 && p + 3 <= at; p = line.indexOf(u"at ", p + 1)) {
                if ((p == 0 || line.at(p - 1) == u' ') && names(line.mid(p + 3, end - p - 3)))
                    return n;
            }
        } else if (rest.startsWith(u':')) {
            const int n = number(rest.mid(1), digits);
            if (n > 0 && 1 + digits < rest.size() && rest.at(1 + digits) == u':' && names(line.left(end)))
                return n;
        }
    }
    return 0;
}

} // namespace

// Output fed whole and in pieces gives the same links, and each link's line
// number is the one a plain search finds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = data[0] % 64 + 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    CErrorLineParser whole(kPath);
    const QList<CErrorLink> all = whole.feed(text, 0);
    CErrorLineParser chunked(kPath);
    QList<CErrorLink> links;
    for (qsizetype at = 0; at < text.size(); at += piece)
        links += chunked.feed(QStringView(text).mid(at, piece), at);
    FUZZ_CHECK(links == all);
    for (const CErrorLink &link : all)
        FUZZ_CHECK(link.start >= 0 && link.start + link.length <= text.size() && link.line > 0);
    const CErrorLineParser parser(kPath);
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.size() <= 300)
            FUZZ_CHECK(parser.lineNumber(line) == referenceLineNumber(line));
    }
    return 0;
}
