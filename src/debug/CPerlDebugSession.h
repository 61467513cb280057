#pragma once

#include "CDebugReply.h"
#include "CDebugVariable.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <deque>
#include <memory>

class CPipe;
class CProcess;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QTimer;

// A breakpoint: an absolute file path, a line (1-based) and a Perl condition
// (empty: always).
struct CDebugBreakpoint
{
    QString file;
    int line = 0;
    QString condition;
};

// One run of a script under Perl's own debugger. The editor listens on a
// loopback port and starts `perl -d SCRIPT` with the debugger told to talk
// over that socket, so the script's standard streams stay on pipes of their
// own. Commands go one at a time; a reply is complete at the debugger's
// prompt. After each stop the stack, the locals of the selected frame and
// the watches are fetched by expressions of the editor's own that print JSON.
class CPerlDebugSession : public QObject
{
    Q_OBJECT

public:
    enum State { NotStarted, Connecting, Running, Stopped, Ended };
    Q_ENUM(State)

    explicit CPerlDebugSession(QObject *parent = nullptr);
    // Kills a program still running.
    ~CPerlDebugSession() override;

    // How long perl has to connect; 10 s unless changed.
    void setConnectTimeout(int ms) { m_connectTimeoutMs = ms; }
    // Breakpoints sent at the first stop (and kept by the session).
    void setBreakpoints(const QList<CDebugBreakpoint> &breakpoints) { m_breakpoints = breakpoints; }
    void setWatches(const QStringList &expressions);

    // Starts `perl -d script` in the script's folder with `environment`
    // (NAME=VALUE) plus the debugger's own settings. False, with
    // errorString(), when perl cannot be started.
    bool start(const QString &perl, const QString &script, const QStringList &environment);
    QString errorString() const { return m_error; }

    State state() const { return m_state; }
    bool isStopped() const { return m_state == Stopped; }
    CDebugLocation location() const { return m_location; }
    QList<CDebugFrame> frames() const { return m_frames; }
    int selectedFrame() const { return m_selectedFrame; }
    QList<CDebugBreakpoint> breakpoints() const { return m_breakpoints; }
    qint64 processId() const;
    // The exit code once the program has ended (see CProcess).
    long exitCode() const;

    // Breakpoints may change at any time; while the program runs they go
    // to the debugger at its next stop.
    void addBreakpoint(const CDebugBreakpoint &breakpoint);
    void removeBreakpoint(const QString &file, int line);

    // Each does nothing unless the program is stopped.
    void continueRun();
    void runToLine(const QString &file, int line);
    void stepOver();
    void stepInto();
    void stepOut();
    // Any debugger command, as typed in the console; its reply comes back
    // through consoleOutput().
    void sendConsoleCommand(const QString &command);
    // The locals (and watches) of another frame of the stack.
    void selectFrame(int index);
    // Up to 100 more elements of a container of the selected frame's locals,
    // from `offset` on: `path` is the variable's name, then the names of the
    // elements down to the container ("%h", "{list}", "[2]").
    void fetchMore(const QStringList &path, qint64 offset);

    // Interrupts the running program; the debugger stops it at the next line.
    void pause();
    // Kills the program (its whole process group).
    void stop();

    // The script's standard input.
    void writeInput(const QByteArray &bytes);
    void closeInput();

    // The debugger's own Perl code (helpers for breakpoints, locals and
    // watches) as the one line that defines them.
    static QByteArray helperLine();
    // What the Variables view says when PadWalker is missing.
    static QString padWalkerMissingText();

signals:
    void stateChanged(CPerlDebugSession::State state);
    void stopped(const CDebugLocation &where);
    void stackChanged(const QList<CDebugFrame> &frames);
    // `problem` non-empty: the locals could not be had and it says why.
    void variablesChanged(const QList<CDebugVariable> &variables, const QString &problem);
    void watchesChanged(const QList<CDebugVariable> &watches);
    // The elements that fetchMore() asked for.
    void moreVariables(const QStringList &path, qint64 offset, const QList<CDebugVariable> &elements,
                       const QString &problem);
    // The debugger took a breakpoint at `line` (0: it could not be set);
    // `note` says why it moved or failed.
    void breakpointPlaced(const CDebugBreakpoint &asked, int line, const QString &note);
    // The debugger's conversation as the console shows it.
    void consoleOutput(const QString &text);
    void standardOutput(const QByteArray &bytes);
    void standardError(const QByteArray &bytes);
    // The program has ended. `problem` non-empty when the session could not
    // start debugging (no connection, a compile error), with perl's messages.
    void finished(long exitCode, const QString &problem);

private:
    friend class CDebugProcessListener;
    enum class Kind { Greeting, Setup, Break, Unbreak, Resume, Stack, Variables, Watches, More, Console, Quit };
    struct CPending
    {
        Kind kind;
        QByteArray command;
        CDebugBreakpoint breakpoint;
        QStringList path;
        qint64 offset = 0;
    };

    void onNewConnection();
    void onSocketData();
    void onSocketClosed();
    void onConnectTimeout();
    void onProcessEnded();
    void readPipe(int fd, bool error);
    void drainPipes();

    void enqueue(Kind kind, const QByteArray &command, const CDebugBreakpoint &breakpoint = {});
    void enqueue(const CPending &pending);
    void sendNext();
    void resume(const QByteArray &command);
    void handleReply(const QString &reply);
    void handleStop(const QString &reply);
    void refreshFrame();
    void setState(State state);
    void endDebugging();
    QString absolutePath(const QString &debuggerName) const;
    QString perlMessages() const;

    State m_state = NotStarted;
    QString m_error;
    QString m_workingDirectory;
    int m_connectTimeoutMs = 10000;
    QList<CDebugBreakpoint> m_breakpoints;
    QStringList m_watches;
    CDebugLocation m_location;
    QList<CDebugFrame> m_frames;
    int m_selectedFrame = 0;

    std::unique_ptr<CPipe> m_stdin;
    std::unique_ptr<CPipe> m_stdout;
    std::unique_ptr<CPipe> m_stderr;
    std::unique_ptr<CProcess> m_process;
    std::unique_ptr<class CDebugProcessListener> m_listener;
    QSocketNotifier *m_stdoutNotifier = nullptr;
    QSocketNotifier *m_stderrNotifier = nullptr;
    QTcpServer *m_server = nullptr;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_connectTimer = nullptr;

    std::deque<CPending> m_queue;
    bool m_waiting = false;       // a command is with the debugger
    Kind m_inFlight = Kind::Greeting;
    CPending m_inFlightPending{Kind::Greeting, {}, {}, {}, 0};
    QByteArray m_reply;
    QByteArray m_errorTail;       // the last of perl's standard error, for messages
    bool m_everConnected = false;
    bool m_compileFailed = false;
    bool m_stopRequested = false;
    bool m_finished = false;
    QString m_problem;
};
