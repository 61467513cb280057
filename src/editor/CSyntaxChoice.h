#pragma once

#include <QByteArrayView>
#include <QString>

// Which colouring a script gets, from its file name and its first line.
class CSyntaxChoice
{
public:
    enum Language { Plain, Perl, Java, Html };

    // ".java" (exact case, as for running it) is Java; ".htm" and ".html" are
    // HTML; Perl's own endings are Perl; a file with none of these endings
    // whose first line starts "#!" and names perl is Perl too.
    static Language forFile(const QString &path, QByteArrayView firstLine);
    // The first line of `text`, without its line end.
    static QByteArrayView firstLine(QByteArrayView text);
};
