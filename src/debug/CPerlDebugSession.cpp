#include "CPerlDebugSession.h"

#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CProcessListener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <csignal>
#include <unistd.h>

// Told on the waiter thread; hands the news to the session's thread.
class CDebugProcessListener : public CProcessListener
{
public:
    explicit CDebugProcessListener(CPerlDebugSession *session)
        : m_session(session)
    {
    }
    void OnProcessCompleted() override
    {
        CPerlDebugSession *session = m_session;
        QMetaObject::invokeMethod(session, [session] { session->onProcessEnded(); }, Qt::QueuedConnection);
    }

private:
    CPerlDebugSession *m_session;
};

namespace {

constexpr qsizetype kErrorTailBytes = 64 * 1024;

QByteArray perlString(const QString &text)
{
    // Hex keeps any quote, backslash or line end out of the command line.
    return "pack('H*','" + text.toUtf8().toHex() + "')";
}

} // namespace

CPerlDebugSession::CPerlDebugSession(QObject *parent)
    : QObject(parent)
{
}

CPerlDebugSession::~CPerlDebugSession()
{
    m_finished = true;
    if (m_process && !m_process->IsCompleted())
        m_process->Kill();
    // The process joins its waiter before the pipes go.
    m_process.reset();
}

QByteArray CPerlDebugSession::helperLine()
{
    QFile file(QStringLiteral(":/OstrakPerl/OstrakDebugHelpers.pl"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray code = file.readAll();
    code.replace('\n', ' ');
    return code.trimmed();
}

QString CPerlDebugSession::padWalkerMissingText()
{
    return QStringLiteral("Local variables need the Perl module PadWalker. Install it with "
                          "\"apt-get install libpadwalker-perl\" (or \"cpan PadWalker\") and debug again.");
}

qint64 CPerlDebugSession::processId() const
{
    return m_process ? m_process->pid() : -1;
}

long CPerlDebugSession::exitCode() const
{
    return m_process ? m_process->GetExitCode() : CProcess::NoExitCode;
}

bool CPerlDebugSession::start(const QString &perl, const QString &script, const QStringList &environment)
{
    if (m_state != NotStarted) {
        m_error = QStringLiteral("The session has already been started.");
        return false;
    }
    m_server = new QTcpServer(this);
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        m_error = QStringLiteral("Could not listen on 127.0.0.1 (") + m_server->errorString() + QLatin1Char(')');
        return false;
    }
    connect(m_server, &QTcpServer::newConnection, this, &CPerlDebugSession::onNewConnection);

    const QFileInfo scriptInfo(script);
    m_workingDirectory = scriptInfo.absolutePath();
    m_stdin = std::make_unique<CPipe>();
    m_stdout = std::make_unique<CPipe>();
    m_stderr = std::make_unique<CPipe>();
    if (!m_stdin->CreatePipeEnds() || !m_stdout->CreatePipeEnds() || !m_stderr->CreatePipeEnds()) {
        m_error = QStringLiteral("Could not create the pipes for the script's streams.");
        return false;
    }
    m_process = std::make_unique<CProcess>(perl, QStringList{QStringLiteral("-d"), scriptInfo.absoluteFilePath()});
    m_process->AttachPipes(m_stdin.get(), m_stdout.get(), m_stderr.get());
    m_process->SetWorkingDirectory(m_workingDirectory);
    m_process->setEnvironment(environment);
    m_process->SetEnvironmentValue(QStringLiteral("PERLDB_OPTS"),
                                   QStringLiteral("RemotePort=127.0.0.1:%1 ReadLine=0").arg(m_server->serverPort()));
    m_process->SetEnvironmentValue(QStringLiteral("TERM"), QStringLiteral("dumb"));
    m_listener = std::make_unique<CDebugProcessListener>(this);
    m_process->m_pListener = m_listener.get();
    if (!m_process->Start()) {
        m_error = QStringLiteral("Could not start debugging : ") + perl + QStringLiteral(" -d ") + scriptInfo.absoluteFilePath()
                  + QStringLiteral(" (") + QString::fromLocal8Bit(strerror(m_process->lastError())) + QLatin1Char(')');
        m_process.reset();
        return false;
    }
    m_process->Resume();

    m_stdoutNotifier = new QSocketNotifier(m_stdout->readEnd(), QSocketNotifier::Read, this);
    connect(m_stdoutNotifier, &QSocketNotifier::activated, this, [this] { readPipe(m_stdout->readEnd(), false); });
    m_stderrNotifier = new QSocketNotifier(m_stderr->readEnd(), QSocketNotifier::Read, this);
    connect(m_stderrNotifier, &QSocketNotifier::activated, this, [this] { readPipe(m_stderr->readEnd(), true); });

    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &CPerlDebugSession::onConnectTimeout);
    m_connectTimer->start(m_connectTimeoutMs);
    setState(Connecting);
    m_process->StartWaiter();
    return true;
}

void CPerlDebugSession::readPipe(int fd, bool error)
{
    char buffer[65536];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
        // End of data (or an error): no more to read from this pipe.
        QSocketNotifier *notifier = error ? m_stderrNotifier : m_stdoutNotifier;
        if (notifier)
            notifier->setEnabled(false);
        return;
    }
    const QByteArray bytes(buffer, got);
    if (error) {
        m_errorTail += bytes;
        if (m_errorTail.size() > kErrorTailBytes)
            m_errorTail.remove(0, m_errorTail.size() - kErrorTailBytes);
        emit standardError(bytes);
    } else {
        emit standardOutput(bytes);
    }
}

void CPerlDebugSession::drainPipes()
{
    // The program has ended; what it wrote last is still in the pipes.
    for (auto [notifier, error] : {std::pair{m_stdoutNotifier, false}, std::pair{m_stderrNotifier, true}}) {
        if (!notifier || !notifier->isEnabled())
            continue;
        const int fd = int(notifier->socket());
        for (int round = 0; round < 1024 && notifier->isEnabled(); ++round)
            readPipe(fd, error);
    }
}

void CPerlDebugSession::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_socket) {
            // A forked child's debugger: it is let run without stopping.
            emit consoleOutput(QStringLiteral("A child process (fork) is not followed; it runs without stopping.\n"));
            auto *stage = new int(0);
            connect(socket, &QTcpSocket::readyRead, socket, [socket, stage] {
                static const QByteArray answers[] = {"o inhibit_exit=0\n", "B *\n", "c\n"};
                if (CDebugReply::isComplete(socket->readAll()) && *stage < 3)
                    socket->write(answers[(*stage)++]);
            });
            connect(socket, &QTcpSocket::disconnected, socket, [socket, stage] {
                delete stage;
                socket->deleteLater();
            });
            continue;
        }
        m_socket = socket;
        m_everConnected = true;
        m_connectTimer->stop();
        connect(m_socket, &QTcpSocket::readyRead, this, &CPerlDebugSession::onSocketData);
        connect(m_socket, &QTcpSocket::disconnected, this, &CPerlDebugSession::onSocketClosed);
        m_waiting = true;
        m_inFlight = Kind::Greeting;
    }
}

void CPerlDebugSession::onConnectTimeout()
{
    if (m_everConnected || m_finished)
        return;
    m_problem = QStringLiteral("Perl did not connect to the debugger within %1 seconds.").arg(m_connectTimeoutMs / 1000.0);
    if (m_process && !m_process->IsCompleted())
        m_process->Kill();
}

void CPerlDebugSession::onSocketData()
{
    m_reply += m_socket->readAll();
    if (!CDebugReply::isComplete(m_reply))
        return;
    const QString reply = QString::fromUtf8(m_reply);
    m_reply.clear();
    handleReply(reply);
}

void CPerlDebugSession::onSocketClosed()
{
    if (!m_reply.isEmpty())
        emit consoleOutput(QString::fromUtf8(m_reply));
    m_reply.clear();
    m_queue.clear();
    m_waiting = false;
    endDebugging();
}

void CPerlDebugSession::endDebugging()
{
    if (m_state == Ended)
        return;
    m_location = {};
    m_frames.clear();
    setState(Ended);
    if (m_process && m_process->IsCompleted())
        onProcessEnded();
}

void CPerlDebugSession::onProcessEnded()
{
    if (m_finished)
        return;
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        // Perl is gone; its socket follows. Take what it still said first.
        m_socket->waitForReadyRead(0);
        if (m_socket->bytesAvailable() > 0)
            onSocketData();
    }
    m_finished = true;
    drainPipes();
    if (m_connectTimer)
        m_connectTimer->stop();
    if (m_state != Ended) {
        m_location = {};
        m_frames.clear();
        setState(Ended);
    }
    QString problem = m_problem;
    if (problem.isEmpty() && m_compileFailed)
        problem = QStringLiteral("The script could not be compiled.");
    else if (problem.isEmpty() && !m_everConnected && !m_stopRequested)
        problem = QStringLiteral("Perl ended before its debugger connected.");
    if (!problem.isEmpty() && !m_errorTail.isEmpty())
        problem += QLatin1Char('\n') + perlMessages();
    emit finished(exitCode(), problem);
}

QString CPerlDebugSession::perlMessages() const
{
    return QString::fromUtf8(m_errorTail).trimmed();
}

void CPerlDebugSession::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

QString CPerlDebugSession::absolutePath(const QString &debuggerName) const
{
    if (debuggerName.startsWith(QLatin1Char('(')))
        return debuggerName;   // "(eval 12)[...]": no file of its own
    const QFileInfo info(QDir(m_workingDirectory), debuggerName);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

void CPerlDebugSession::enqueue(Kind kind, const QByteArray &command, const CDebugBreakpoint &breakpoint)
{
    enqueue(CPending{kind, command, breakpoint, {}, 0});
}

void CPerlDebugSession::enqueue(const CPending &pending)
{
    m_queue.push_back(pending);
    sendNext();
}

void CPerlDebugSession::sendNext()
{
    if (m_waiting || m_queue.empty() || !m_socket)
        return;
    const CPending next = m_queue.front();
    m_queue.pop_front();
    m_waiting = true;
    m_inFlight = next.kind;
    m_inFlightPending = next;
    if (next.kind == Kind::Resume)
        setState(Running);
    m_socket->write(next.command + '\n');
}

void CPerlDebugSession::handleReply(const QString &reply)
{
    m_waiting = false;
    const Kind kind = m_inFlight;
    QString text = CDebugReply::withoutPrompt(reply);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    switch (kind) {
    case Kind::Greeting:
        emit consoleOutput(text);
        if (CDebugReply::isTerminated(text)) {
            // The debugger came up but the script never ran: it did not compile.
            m_compileFailed = true;
            enqueue(Kind::Quit, "q");
            return;
        }
        enqueue(Kind::Setup, "o inhibit_exit=0 PrintRet=0");
        enqueue(Kind::Setup, helperLine());
        for (const CDebugBreakpoint &breakpoint : std::as_const(m_breakpoints))
            enqueue(Kind::Break,
                    "DB::ostrak_break(" + perlString(breakpoint.file) + ", " + QByteArray::number(breakpoint.line) + ", "
                        + perlString(breakpoint.condition) + ")",
                    breakpoint);
        handleStop(text);
        break;
    case Kind::Resume:
    case Kind::Console:
        emit consoleOutput(text);
        if (CDebugReply::isTerminated(text)) {
            enqueue(Kind::Quit, "q");
            return;
        }
        if (CDebugReply::location(text).isValid() || kind == Kind::Resume)
            handleStop(text);
        break;
    case Kind::Break: {
        const QJsonObject result = CDebugReply::jsonBlock(text);
        const int line = result.value(QLatin1String("ok")).toInt() ? result.value(QLatin1String("line")).toInt() : 0;
        QString note;
        const int asked = m_inFlightPending.breakpoint.line;
        if (line == 0) {
            const QString why = result.value(QLatin1String("why")).toString().trimmed();
            const QString name = QFileInfo(m_inFlightPending.breakpoint.file).fileName();
            if (why == QLatin1String("not loaded"))
                note = QStringLiteral("The breakpoint at %1 line %2 was not set: perl has not loaded that file at this point.")
                           .arg(name).arg(asked);
            else
                note = QStringLiteral("The breakpoint at %1 line %2 was not set: no line from there on can break%3.")
                           .arg(name).arg(asked).arg(why == QLatin1String("no breakable line") || why.isEmpty()
                                                         ? QString() : QStringLiteral(" (") + why + QLatin1Char(')'));
        } else if (line != asked) {
            note = QStringLiteral("Line %1 not breakable; the breakpoint moved to line %2.").arg(asked).arg(line);
        }
        for (CDebugBreakpoint &breakpoint : m_breakpoints) {
            if (breakpoint.file == m_inFlightPending.breakpoint.file && breakpoint.line == asked && line > 0)
                breakpoint.line = line;
        }
        emit breakpointPlaced(m_inFlightPending.breakpoint, line, note);
        break;
    }
    case Kind::Stack:
        m_frames = CDebugReply::stack(text, m_location);
        for (qsizetype i = 1; i < m_frames.size(); ++i)
            m_frames[i].location.file = absolutePath(m_frames[i].location.file);
        emit stackChanged(m_frames);
        break;
    case Kind::Variables: {
        bool found = false;
        const QJsonObject result = CDebugReply::jsonBlock(text, &found);
        const QString error = result.value(QLatin1String("error")).toString();
        if (!found)
            emit variablesChanged({}, QStringLiteral("The debugger gave no variables: ") + text.trimmed());
        else if (error == QLatin1String("nopadwalker"))
            emit variablesChanged({}, padWalkerMissingText());
        else if (!error.isEmpty())
            emit variablesChanged({}, error.trimmed());
        else
            emit variablesChanged(CDebugVariable::fromJson(result.value(QLatin1String("vars")).toArray()), QString());
        break;
    }
    case Kind::More: {
        bool found = false;
        const QJsonObject result = CDebugReply::jsonBlock(text, &found);
        const QString error = found ? result.value(QLatin1String("error")).toString().trimmed() : text.trimmed();
        emit moreVariables(m_inFlightPending.path, m_inFlightPending.offset,
                           CDebugVariable::fromJson(result.value(QLatin1String("more")).toArray()), error);
        break;
    }
    case Kind::Watches:
        emit watchesChanged(CDebugVariable::fromJson(CDebugReply::jsonBlock(text).value(QLatin1String("watches")).toArray()));
        break;
    case Kind::Setup:
    case Kind::Unbreak:
    case Kind::Quit:
        break;
    }
    // Whatever the reply was, the debugger is at its prompt again.
    if (m_state == Running)
        setState(Stopped);
    sendNext();
}

void CPerlDebugSession::handleStop(const QString &reply)
{
    const CDebugLocation where = CDebugReply::location(reply);
    if (!where.isValid())
        return;
    m_location = where;
    m_location.file = absolutePath(where.file);
    m_selectedFrame = 0;
    setState(Stopped);
    emit stopped(m_location);
    enqueue(Kind::Stack, "T");
    refreshFrame();
}

void CPerlDebugSession::refreshFrame()
{
    enqueue(Kind::Variables, "DB::ostrak_vars(" + QByteArray::number(m_selectedFrame) + ")");
    if (m_watches.isEmpty())
        return;
    // Expressions are evaluated in the frame where the program stopped.
    QByteArray command = "DB::ostrak_watch(";
    for (qsizetype i = 0; i < m_watches.size(); ++i)
        command += (i ? ", " : "") + perlString(m_watches[i]);
    enqueue(Kind::Watches, command + ")");
}

void CPerlDebugSession::setWatches(const QStringList &expressions)
{
    m_watches = expressions;
    if (m_state == Stopped)
        refreshFrame();
}

void CPerlDebugSession::selectFrame(int index)
{
    if (m_state != Stopped || index < 0 || index >= m_frames.size() || index == m_selectedFrame)
        return;
    m_selectedFrame = index;
    refreshFrame();
}

void CPerlDebugSession::fetchMore(const QStringList &path, qint64 offset)
{
    if (m_state != Stopped || path.isEmpty())
        return;
    QByteArray command = "DB::ostrak_more(" + QByteArray::number(m_selectedFrame) + ", " + QByteArray::number(offset);
    for (const QString &step : path)
        command += ", " + perlString(step);
    enqueue(CPending{Kind::More, command + ")", {}, path, offset});
}

void CPerlDebugSession::addBreakpoint(const CDebugBreakpoint &breakpoint)
{
    m_breakpoints.append(breakpoint);
    if (m_socket && m_state != Ended)
        enqueue(Kind::Break,
                "DB::ostrak_break(" + perlString(breakpoint.file) + ", " + QByteArray::number(breakpoint.line) + ", "
                    + perlString(breakpoint.condition) + ")",
                breakpoint);
}

void CPerlDebugSession::removeBreakpoint(const QString &file, int line)
{
    m_breakpoints.removeIf([&](const CDebugBreakpoint &b) { return b.file == file && b.line == line; });
    if (m_socket && m_state != Ended)
        enqueue(Kind::Unbreak, "DB::ostrak_unbreak(" + perlString(file) + ", " + QByteArray::number(line) + ")");
}

void CPerlDebugSession::resume(const QByteArray &command)
{
    if (m_state != Stopped)
        return;
    enqueue(Kind::Resume, command);
}

void CPerlDebugSession::continueRun()
{
    resume("c");
}

void CPerlDebugSession::runToLine(const QString &file, int line)
{
    if (m_state != Stopped || line <= 0)
        return;
    if (file == m_location.file) {
        resume("c " + QByteArray::number(line));
        return;
    }
    // Another file: a breakpoint of one use, taken away at the next stop.
    CDebugBreakpoint once{file, line, QString()};
    enqueue(Kind::Break,
            "DB::ostrak_break(" + perlString(file) + ", " + QByteArray::number(line) + ", " + perlString(QString()) + ")",
            once);
    resume("c");
    const bool userHasIt = std::any_of(m_breakpoints.begin(), m_breakpoints.end(),
                                       [&](const CDebugBreakpoint &b) { return b.file == file && b.line == line; });
    if (!userHasIt)
        m_queue.push_back({Kind::Unbreak, "DB::ostrak_unbreak(" + perlString(file) + ", " + QByteArray::number(line) + ")", once, {}, 0});
}

void CPerlDebugSession::stepOver()
{
    resume("n");
}

void CPerlDebugSession::stepInto()
{
    resume("s");
}

void CPerlDebugSession::stepOut()
{
    resume("r");
}

void CPerlDebugSession::sendConsoleCommand(const QString &command)
{
    if (!m_socket || m_state == Ended)
        return;
    enqueue(Kind::Console, command.toUtf8());
}

void CPerlDebugSession::pause()
{
    if (m_state == Running && m_process && !m_process->IsCompleted() && m_process->pid() > 0)
        ::kill(m_process->pid(), SIGINT);
}

void CPerlDebugSession::stop()
{
    m_stopRequested = true;
    if (m_process && !m_process->IsCompleted())
        m_process->Kill();
    if (m_socket)
        m_socket->abort();
}

void CPerlDebugSession::writeInput(const QByteArray &bytes)
{
    if (m_stdin)
        m_stdin->Write(bytes);
}

void CPerlDebugSession::closeInput()
{
    if (m_stdin)
        m_stdin->CloseBoth();
}
