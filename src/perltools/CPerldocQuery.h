#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Which documentation F1 shows for a word of a Perl script: a built-in
// function (perldoc -f), a special variable (perldoc -v), an operator or a
// keyword of the syntax (the perlop or perlsyn page), or a module by name.
class CPerldocQuery
{
public:
    // The word under (or just before) `column` (a byte offset) of `line`:
    // a name with "::" parts, a variable with its sigil ("$_", "@ARGV",
    // "$/"), or an operator ("=~", "<=>"). Empty when there is none.
    static QString wordAt(const QByteArray &line, int column);

    // The perldoc argument lists to try in turn for `word` (each after
    // "-o html"); the first that finds documentation wins.
    static QList<QStringList> attempts(const QString &word);

    static QString notFound(const QString &word)
    {
        return QStringLiteral("No documentation found for %1").arg(word);
    }
};
