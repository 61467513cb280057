#pragma once

#include <QDateTime>
#include <QString>

// One entry of a server's directory listing.
struct CFtpEntry
{
    QString name;
    static constexpr qint64 UnknownSize = -1;
    qint64 size = 0;    // UnknownSize when the line's size is no number that fits
    QDateTime modified; // invalid when the line gave no usable time
    bool isDirectory = false;
    QString rawLine;
    // What a symbolic link points to; empty for anything else.
    QString linkTarget;
    // The listing line could not be read: `name` is the whole line.
    bool wholeLine = false;
};
