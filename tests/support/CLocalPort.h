#pragma once

#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

// Ports on 127.0.0.1 for the servers the tests start.
struct CLocalPort
{
    // A port no one listens on now.
    static int unused()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    // Empty once `server` accepts connections on `port` (within about 15 s), else why not.
    static QString awaitListening(QProcess &server, int port)
    {
        for (int i = 0; i < 100 && server.waitForStarted(5000) && server.state() == QProcess::Running; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (socket.waitForConnected(100))
                return QString();
            QThread::msleep(50);
        }
        return QStringLiteral("%1 did not listen: %2 %3")
            .arg(server.program(), QString::fromUtf8(server.readAll()), server.errorString());
    }
};

// Runs `call`, which starts a server and returns why it did not (empty when it did); a
// server that did not start fails the calling test with the reason.
#define START_TEST_SERVER(what, call)                                                                     \
    do {                                                                                                  \
        const QString why = (call);                                                                       \
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral(what " test server did not start: ") + why));   \
    } while (0)
