#pragma once

#include <QString>
#include <QStringList>

struct CSettings;

// What one local command starts: the program, its argument list (never handed
// to a shell), the folder it starts in, and the command line as messages show it.
struct CCommandSpec
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
    QString displayLine;
    // The program is the Perl interpreter.
    bool perl = false;
    // Why the command cannot start (no program to run); empty when it can.
    QString problem;
};

// Builds the command lines of Run, Compile and Debug from the settings and the
// script's path. Each *_PRM setting is split into words by shell-like quoting
// rules; the script path and the Java class name stay one argument each.
class CRunCommandLine
{
public:
    enum Command { Run, Compile, Debug };

    // A script is Java when its path ends in ".java" (exact case).
    static bool isJava(const QString &path);
    // The title with every ".java" removed.
    static QString javaClassName(const QString &title);
    // The folder of the script; empty when there is no path.
    static QString workingDirectory(const QString &path);

    // Splits like a POSIX shell without expansions: blanks separate words,
    // '...' is literal, "..." keeps blanks and takes \" \\ \$ \` as escapes,
    // a backslash outside quotes takes the next character literally. An
    // unterminated quote runs to the end of the text.
    static QStringList splitArguments(const QString &text);

    // The child started with piped streams.
    static CCommandSpec piped(Command command, const CSettings &settings, const QString &path,
                              const QString &title);
    // Console-window mode: `launcher` (korbu) with "Halden+Ostrak+" and the
    // interpreter line, run in a terminal. Run uses the Perl settings also for Java.
    static CCommandSpec console(Command command, const CSettings &settings, const QString &path,
                                const QString &launcher);

    static QString launcherMarker() { return QStringLiteral("Halden+Ostrak+"); }

    enum Tool { Perl, Java, Javac };
    // The program a LOCAL_*_EXE value names; an empty value means the
    // tool's usual name (perl, java, javac) found on PATH. Empty when there is
    // none; `missingMessage` then says what to set and where.
    static QString program(Tool tool, const QString &setting);
    static QString missingMessage(Tool tool);
};
