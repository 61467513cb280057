#pragma once

#include <QByteArray>

// The local form of a text downloaded in ASCII: the network's CR LF line
// ends become this platform's LF, and nothing else changes (no line end is
// added after the last line, a lone CR stays), so that the text sent back
// in ASCII is what the server had.
class CFtpText
{
public:
    static QByteArray fromNetworkLineEnds(const QByteArray &text);
};
