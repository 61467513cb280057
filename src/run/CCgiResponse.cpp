#include "CCgiResponse.h"

#include <QByteArray>

namespace {

bool isNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

} // namespace

CCgiResponse::Verdict CCgiResponse::judge(QByteArrayView head, bool complete, qsizetype *bodyOffset)
{
    bool html = false;
    qsizetype start = 0;
    while (start < head.size() && start < MaxHeaderBytes) {
        const qsizetype lf = head.indexOf('\n', start);
        if (lf < 0)
            break;
        QByteArrayView line = head.sliced(start, lf - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = lf + 1;
        if (line.isEmpty()) {
            if (!html)
                return NotHtml;
            if (bodyOffset)
                *bodyOffset = start;
            return Html;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return NotHtml;
        for (qsizetype i = 0; i < colon; ++i) {
            if (!isNameChar(line[i]))
                return NotHtml;
        }
        const QByteArray name = line.first(colon).toByteArray().toLower();
        const QByteArray value = line.sliced(colon + 1).toByteArray().trimmed().toLower();
        if (name == "content-type")
            html = value.startsWith("text/html");
    }
    return complete || head.size() >= MaxHeaderBytes ? NotHtml : Undecided;
}
