#include "CServerSocket.h"

#include "run/COutputBuffer.h"

#include <QTcpSocket>

namespace {

constexpr qint64 kReadChunk = 16 * 1024;
// What the socket holds unread before the kernel's window closes on the server.
constexpr qint64 kSocketBuffer = 256 * 1024;

} // namespace

CServerSocket::CServerSocket(QObject *parent)
    : QObject(parent)
{
}

CServerSocket::~CServerSocket()
{
    Close();
}

void CServerSocket::Connect(const QString &host, quint16 port)
{
    Close();
    m_protocol = CTelnetProtocol();
    m_wasConnected = false;
    m_closedByServer = false;
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->setReadBufferSize(kSocketBuffer);
    QTcpSocket *s = m_socket.get();
    connect(s, &QTcpSocket::connected, this, [this] {
        m_wasConnected = true;
        emit connected();
    });
    connect(s, &QTcpSocket::readyRead, this, &CServerSocket::readPending);
    connect(s, &QTcpSocket::disconnected, this, &CServerSocket::onDisconnected);
    connect(s, &QTcpSocket::errorOccurred, this, [this, s] {
        if (!m_wasConnected && !m_closedByServer) {
            m_closedByServer = true;   // reported once, as a failed connect
            emit connectFailed(s->errorString());
        } else if (s->state() == QAbstractSocket::UnconnectedState) {
            onDisconnected();
        }
    });
    s->connectToHost(host, port);
}

void CServerSocket::Close()
{
    if (!m_socket)
        return;
    // Closing on purpose is no news to anyone.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket.release()->deleteLater();
}

bool CServerSocket::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool CServerSocket::send(const QByteArray &bytes)
{
    if (!isConnected())
        return false;
    return m_socket->write(bytes) == bytes.size();
}

bool CServerSocket::SendLine(const QString &text)
{
    return send(text.toUtf8() + '\n');
}

void CServerSocket::Login(const QString &user, const QString &password)
{
    SendLine(user);
    SendLine(password);
}

void CServerSocket::SendInterrupt()
{
    send(CTelnetProtocol::interruptBytes());
}

void CServerSocket::readPending()
{
    if (!m_socket)
        return;
    char data[kReadChunk];
    while (m_pOutput && m_pOutput->pending() <= HighWater) {
        const qint64 n = m_socket->read(data, sizeof data);
        if (n <= 0)
            break;
        const CTelnetProtocol::CResult result = m_protocol.feed(QByteArrayView(data, n));
        if (!result.answers.isEmpty() && m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->write(result.answers);
        m_pOutput->appendBytes(result.text);
        if (!result.text.isEmpty())
            emit textReceived(result.text);
    }
    if (m_closedByServer && m_wasConnected && m_socket->bytesAvailable() == 0) {
        m_wasConnected = false;   // told once
        emit closedByServer();
    }
}

void CServerSocket::onDisconnected()
{
    if (!m_wasConnected || m_closedByServer)
        return;
    m_closedByServer = true;
    readPending();
}
