#pragma once

#include <QByteArray>

// The editor's form of a downloaded text: every line, the last one too,
// ends with CR LF. Lines end at LF; a CR before that LF belongs to the line end.
class CFtpText
{
public:
    static QByteArray linesWithCrLf(const QByteArray &text);
};
