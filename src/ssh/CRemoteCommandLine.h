#pragma once

#include <QString>

struct CSettings;

// The command line a script runs with on the server, for the user's POSIX
// shell there: every word quoted, REMOTE_PERL_PRM split as local runs split
// their parameters, and the interpreter exec'd so that a signal sent to the
// command reaches the script itself. Its output is no terminal, so the
// script's standard output is flushed at each print (after the user's own
// PERL5OPT), as local runs do: a prompt shows before the script waits.
class CRemoteCommandLine
{
public:
    // "cd DIR && PERL5OPT=... exec PERL PRM... SCRIPT"; without "cd DIR &&" when REMOTE_DIRECTORY
    // is empty, with "perl" when REMOTE_PERL_EXE is.
    static QString perlRun(const CSettings &settings, const QString &scriptName);
    // The assignment that makes perl flush its standard output at each print.
    static QString autoflushPrefix();
    // "cd DIR", what the console's Login sends over SSH.
    static QString changeDirectory(const QString &directory);
};
