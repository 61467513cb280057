#pragma once

#include "CTelnetProtocol.h"

#include <QObject>
#include <QString>

#include <memory>

class COutputBuffer;
class QTcpSocket;

// The console's TCP connection to the server's shell service, on the UI
// thread. It sends lines, answers the telnet negotiation and puts the
// server's text into the output buffer that the console shows. It reads only
// while that buffer has room, so a server that prints faster than the window
// can show is held back by the connection itself.
class CServerSocket : public QObject
{
    Q_OBJECT

public:
    // Pending characters above which reading pauses until the console has taken text.
    static constexpr qsizetype HighWater = 512 * 1024;

    explicit CServerSocket(QObject *parent = nullptr);
    ~CServerSocket() override;

    // Where received text goes; not owned.
    void setOutput(COutputBuffer *output) { m_pOutput = output; }

    // Closes an open connection first; the outcome comes as connected() or connectFailed().
    void Connect(const QString &host, quint16 port);
    void Close();
    bool isConnected() const;
    // The server has switched its echo off for what is typed next.
    bool hidesInput() const { return m_protocol.hidesInput(); }

    // The text in UTF-8 and one line feed, in one write. False when not connected.
    bool SendLine(const QString &text);
    void Login(const QString &user, const QString &password);
    void SendInterrupt();

public slots:
    // Takes what has arrived, as far as the output buffer has room.
    void readPending();

signals:
    void connected();
    void connectFailed(const QString &reason);
    // The server's text as it arrives, telnet commands removed.
    void textReceived(const QByteArray &text);
    // The server ended the connection; everything it sent is in the output buffer.
    void closedByServer();

private:
    bool send(const QByteArray &bytes);
    void onDisconnected();

    std::unique_ptr<QTcpSocket> m_socket;
    CTelnetProtocol m_protocol;
    COutputBuffer *m_pOutput = nullptr;
    bool m_wasConnected = false;
    bool m_closedByServer = false;
};
