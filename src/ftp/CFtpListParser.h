#pragma once

#include "CFtpEntry.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Reads the lines a server sends for LIST: the Unix "ls -l" forms (ACL mark,
// device and symbolic-link lines, names with blanks) and the DOS forms.
// A line that fits neither is skipped, except one holding "*", which is
// passed on whole; no line spoils the rest. Each line is read in time
// proportional to its length.
class CFtpListParser
{
public:
    // A whole listing, within the bounds of CFtpListReader.
    static QList<CFtpEntry> parse(const QByteArray &listing, const QDateTime &now = QDateTime::currentDateTime());
    static std::optional<CFtpEntry> parseLine(const QString &line, const QDateTime &now = QDateTime::currentDateTime());
    // A size column: decimal digits only, within qint64; else CFtpEntry::UnknownSize.
    static qint64 sizeOf(QStringView digits);

private:
    static std::optional<CFtpEntry> parseUnix(const QString &line, const QDateTime &now);
    static std::optional<CFtpEntry> parseDos(const QString &line);
};
