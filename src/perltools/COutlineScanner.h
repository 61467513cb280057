#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One entry of the outline: a package or a named sub, and its line.
struct COutlineEntry
{
    enum Kind { Package, Sub };
    Kind kind = Sub;
    QString name;
    int line = 0;   // from 1

    friend bool operator==(const COutlineEntry &, const COutlineEntry &) = default;
};

// Finds the packages and named subs of a Perl script, line by line: a
// "package NAME" or "sub NAME" at the start of a statement. POD sections
// and everything after __END__ or __DATA__ are skipped, as are the lines of
// here-documents.
class COutlineScanner
{
public:
    static QList<COutlineEntry> scan(const QByteArray &text);
    // Whether `entry` matches what the user typed into the filter.
    static bool matches(const COutlineEntry &entry, const QString &filter);
};
