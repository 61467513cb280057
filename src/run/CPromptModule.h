#pragma once

#include <QString>
#include <QStringList>

// Our Perl module that makes a script's STDOUT unbuffered, so that a prompt
// printed before the script reads its input is seen while it waits. It lies
// in a folder beside the executable and is loaded through PERL5OPT ahead of
// the user's own options; the streams stay plain pipes.
class CPromptModule
{
public:
    static QString moduleName() { return QStringLiteral("OstrakAutoflush"); }
    // The folder beside the executable.
    static QString defaultFolder();
    static bool isPresent(const QString &folder);

    // `environment` (NAME=VALUE entries) with the module's folder first in
    // PERL5LIB and -M of the module first in PERL5OPT, the user's values kept
    // after ours. Unchanged when the module is not in `folder`: a missing
    // module would stop every script before its first line.
    static QStringList environment(const QStringList &environment, const QString &folder);
};
