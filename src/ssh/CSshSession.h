#pragma once

#include "ftp/CPeerIdentity.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QThread;
class CSshWorker;
struct CSshLink;

// Where to log in, and as whom. An empty password logs in with the user's
// keys and agent.
struct CSshLogin
{
    QString host;
    int port = 22;
    QString user;
    QString password;
    int timeoutSeconds = 20;
};

// Where a channel's output goes. Called on the session's own thread.
class CSshChannelSink
{
public:
    enum Stream { Output = 0, Errors = 1 };
    virtual ~CSshChannelSink() = default;
    // Takes bytes of a stream and returns how many it took; fewer means it
    // has no room now: reading pauses and the rest is offered again shortly,
    // so a fast server is held back by the connection itself.
    virtual qsizetype take(Stream stream, QByteArrayView bytes) = 0;
    // The channel has ended and every byte was taken; the exit code as local
    // runs give it (128 + signal after death by a signal, -99 when none came).
    virtual void ended(long exitCode) { Q_UNUSED(exitCode); }
};

// One SSH connection with at most one channel. Every call of the SSH
// library runs on the session's own thread; the calls here return at once
// and the outcome comes back as a queued signal.
class CSshSession : public QObject
{
    Q_OBJECT

public:
    static constexpr long NoExitCode = -99;

    explicit CSshSession(QObject *parent = nullptr);
    // Returns at once: the thread closes the connection and ends by itself,
    // telling nobody and handing nothing more to the sink.
    ~CSshSession() override;

    // Set before a channel is opened; not owned, and kept alive until the
    // channel has ended or the session is destroyed.
    void setSink(CSshChannelSink *sink);

    // Connects, checks the host key against ~/.ssh/known_hosts and logs in:
    // opened(), hostKeyUnverified() or failed().
    void open(const CSshLogin &login);
    // A shell on a pseudo-terminal of that type and size: channelOpened() or failed().
    void openShell(const QByteArray &terminal, int columns, int rows);
    // The command run by the user's shell on the server, without a terminal.
    void openCommand(const QString &command);
    // What a file descriptor of the editor's delivers becomes the channel's
    // input; its end of data ends the input. The session closes it.
    void setInputFd(int fd);

    void write(const QByteArray &bytes);
    void resizeTerminal(int columns, int rows);
    // A signal by its name without "SIG" ("INT", "KILL").
    void sendSignal(const QByteArray &name);
    // Ends the channel at once: the sink gets its end with `exitCode`.
    void closeChannel(long exitCode);
    void close();
    // The sink has room again.
    void resumeReading();

    static QString authMethodNames(int methods);
    // Turns "INT" into 2; 0 for a name not known here.
    static int signalNumber(const QByteArray &name);

signals:
    void opened();
    // The host key is not in known_hosts: the user may trust it and open again.
    void hostKeyUnverified(const CPeerIdentity &peer, const QString &reason);
    void failed(const QString &reason);
    void channelOpened();
    // The channel ended by itself or by closeChannel(); its output has all gone to the sink.
    void channelEnded(long exitCode);
    // The connection broke after it had been opened.
    void connectionLost(const QString &reason);

private:
    template<typename F>
    void onThread(F &&f);

    std::shared_ptr<CSshLink> m_link;
    std::unique_ptr<QThread> m_thread;
    CSshWorker *m_worker = nullptr;
};
