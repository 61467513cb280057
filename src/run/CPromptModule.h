#pragma once

#include <QString>
#include <QStringList>

// Our Perl module that makes a script's STDOUT unbuffered, so that a prompt
// printed before the script reads its input is seen while it waits. It lies
// in a folder beside the executable, or else is written from the program's
// own copy into the run's temporary folder, and is loaded through PERL5OPT
// ahead of the user's own options; the streams stay plain pipes.
class CPromptModule
{
public:
    static QString moduleName() { return QStringLiteral("OstrakAutoflush"); }
    // The folder beside the executable.
    static QString defaultFolder();
    static bool isPresent(const QString &folder);
    // Where a run loads the module from: `besideFolder` when it holds the
    // module, else `runFolder`, into which the copy the program carries is
    // written. Empty when neither can be had.
    static QString folderFor(const QString &besideFolder, const QString &runFolder);

    // `environment` (NAME=VALUE entries) with the module's folder first in
    // PERL5LIB and -M of the module first in PERL5OPT, the user's values kept
    // after ours. Unchanged when the module is not in `folder`: a missing
    // module would stop every script before its first line.
    static QStringList environment(const QStringList &environment, const QString &folder);
};
