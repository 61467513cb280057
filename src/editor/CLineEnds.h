#pragma once

#include <QByteArray>

// Line-end conversions on a script's raw bytes.
class CLineEnds
{
public:
    // Every LF without a CR before it becomes CR LF; existing CR LF pairs stay.
    static QByteArray toDos(const QByteArray &text);
    // Every CR LF pair becomes LF; a lone CR stays.
    static QByteArray toUnix(const QByteArray &text);
    // The line end that text inserted into the document uses: that of the
    // document's first line end, LF when it has none.
    static QByteArray documentLineEnd(const char *text, qsizetype size);
    static QByteArray documentLineEnd(const QByteArray &text)
    {
        return documentLineEnd(text.constData(), text.size());
    }
    // `text` with every CR LF replaced by `lineEnd`.
    static QByteArray withLineEnd(const QByteArray &text, const QByteArray &lineEnd);
};
