#include "CFtpText.h"

QByteArray CFtpText::linesWithCrLf(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16 + 2);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && text.at(lineEnd - 1) == '\r')
            --lineEnd;
        out.append(text.constData() + start, lineEnd - start);
        out.append("\r\n", 2);
        start = next;
    }
    return out;
}
