#pragma once

#include "CSshSession.h"

#include <QObject>

#include <atomic>

class COutputBuffer;

// The console's SSH connection: a shell on a pseudo-terminal whose output
// goes into the buffer the console shows. It reads only while that buffer
// has room, as the telnet connection does.
class CSshConsole : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype HighWater = 512 * 1024;
    static constexpr const char *TerminalType = "xterm-256color";

    explicit CSshConsole(COutputBuffer *output, QObject *parent = nullptr);
    ~CSshConsole() override;

    // Closes an open connection first: connected(), hostKeyUnverified() or connectFailed().
    void Connect(const CSshLogin &login, int columns, int rows);
    void Close();
    bool isConnected() const { return m_connected; }

    // The text in UTF-8 and one line feed. False when not connected.
    bool SendLine(const QString &text);
    // Ctrl-C on the terminal: its driver interrupts what runs in the foreground.
    bool SendInterrupt();
    void resize(int columns, int rows);

public slots:
    // The console took text: reading goes on.
    void readPending();

signals:
    void connected();
    void connectFailed(const QString &reason);
    void hostKeyUnverified(const CPeerIdentity &peer, const QString &reason);
    // The shell ended or the connection broke; everything it sent is in the buffer.
    void closedByServer();

private:
    class Sink;

    std::unique_ptr<Sink> m_sink;
    std::unique_ptr<CSshSession> m_session;
    int m_columns = 80;
    int m_rows = 24;
    bool m_connected = false;
};
