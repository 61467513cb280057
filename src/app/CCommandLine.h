#pragma once

#include <QString>
#include <QStringList>

// The program's own command line: "--help" and "--version" are answered
// before any window exists (no display needed); otherwise the first
// argument that is not an option names the script to open. "--" ends the
// options, so a script whose name starts with "-" can be named after it.
class CCommandLine
{
public:
    enum Action { Start, ShowHelp, ShowVersion, Refuse };

    // `arguments` as the process got them, the program's name first.
    static CCommandLine parse(const QStringList &arguments);

    Action action() const { return m_action; }
    // The script to open; empty for a new document.
    QString fileName() const { return m_fileName; }
    // What to print: the usage, the version, or why the line is refused.
    QString text() const { return m_text; }
    // The process's exit status for the printed actions.
    int exitCode() const { return m_action == Refuse ? 2 : 0; }

    static QString usage(const QString &program);
    static QString version();
    // The version alone ("1.0").
    static QString versionNumber();

private:
    Action m_action = Start;
    QString m_fileName;
    QString m_text;
};
