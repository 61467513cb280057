#include "CFtpText.h"

QByteArray CFtpText::fromNetworkLineEnds(const QByteArray &text)
{
    QByteArray out = text;
    return out.replace("\r\n", "\n");
}
