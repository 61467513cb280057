#include "CLineEnds.h"

QByteArray CLineEnds::toDos(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    char previous = 0;
    for (const char c : text) {
        if (c == '\n' && previous != '\r')
            out += '\r';
        out += c;
        previous = c;
    }
    return out;
}

QByteArray CLineEnds::toUnix(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

QByteArray CLineEnds::documentLineEnd(const char *text, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] == '\n')
            return QByteArrayLiteral("\n");
        if (text[i] == '\r')
            return (i + 1 < size && text[i + 1] == '\n') ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\r");
    }
    return QByteArrayLiteral("\n");
}

QByteArray CLineEnds::withLineEnd(const QByteArray &text, const QByteArray &lineEnd)
{
    if (lineEnd == "\r\n")
        return text;
    QByteArray out = text;
    out.replace("\r\n", lineEnd);
    return out;
}
