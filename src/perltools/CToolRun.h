#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

// What one run of an outside tool gave back.
struct CToolResult
{
    bool started = false;
    int startError = 0;          // errno when the program could not be started
    long exitCode = -99;
    bool timedOut = false;       // killed at the time limit
    bool cancelled = false;      // killed because the caller gave up on it
    QByteArray output;           // standard output, when kept
    QByteArray errors;           // standard error
    bool outputCut = false;      // more came than the limit keeps
    bool errorsCut = false;

    bool finishedNormally() const { return started && !timedOut && !cancelled; }
    // The program is not there at all (as opposed to there but failing).
    bool programMissing() const;
    // Why `tool` (from the Debian package `package`) did not start.
    QString startProblem(const QString &tool, const QString &package) const;
};

// Runs a program (never through a shell) to its end on the calling thread:
// the input bytes on its standard input, which is closed after them, so a
// tool that reads further sees the end of data; standard output and error
// read until both end, each kept up to a limit (its first and last halves)
// and the rest read and dropped, so a tool that prints without end neither
// fills the memory nor blocks.
// A run past the time limit, or one whose cancel flag is set, is killed with
// its whole process group.
class CToolRun
{
public:
    CToolRun(const QString &program, const QStringList &arguments);

    void setWorkingDirectory(const QString &directory) { m_directory = directory; }
    void setInput(const QByteArray &input) { m_input = input; }
    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    // 0 gives the tool /dev/null as its standard output.
    void setOutputLimit(qsizetype bytes) { m_outputLimit = bytes; }
    void setErrorLimit(qsizetype bytes) { m_errorLimit = bytes; }

    CToolResult run(const std::atomic<bool> *cancel = nullptr) const;

    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }
    QByteArray input() const { return m_input; }

private:
    QString m_program;
    QStringList m_arguments;
    QString m_directory;
    QByteArray m_input;
    int m_timeLimitMs = 10000;
    qsizetype m_outputLimit = 64 * 1024 * 1024;
    qsizetype m_errorLimit = 256 * 1024;
};
