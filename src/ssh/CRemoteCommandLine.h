#pragma once

#include <QString>

struct CSettings;

// The command line a script runs with on the server, for the user's POSIX
// shell there: every word quoted, REMOTE_PERL_PRM split as local runs split
// their parameters, and the interpreter exec'd so that a signal sent to the
// command reaches the script itself.
class CRemoteCommandLine
{
public:
    // "cd DIR && exec PERL PRM... SCRIPT"; without "cd DIR &&" when REMOTE_DIRECTORY
    // is empty, with "perl" when REMOTE_PERL_EXE is.
    static QString perlRun(const CSettings &settings, const QString &scriptName);
    // "cd DIR", what the console's Login sends over SSH.
    static QString changeDirectory(const QString &directory);
};
