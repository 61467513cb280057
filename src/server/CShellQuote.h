#pragma once

#include <QString>

// A word for a POSIX shell's command line: left as it is when it holds only
// characters no shell treats specially, else in single quotes, each quote
// inside written as '\''. The shell reads it back as one argument and runs
// nothing in it.
class CShellQuote
{
public:
    static QString quote(const QString &word);
};
