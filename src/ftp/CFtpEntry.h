#pragma once

#include <QDateTime>
#include <QString>

// One entry of a server's directory listing.
struct CFtpEntry
{
    QString name;
    qint64 size = 0;
    QDateTime modified; // invalid when the line gave no usable time
    bool isDirectory = false;
    QString rawLine;
};
