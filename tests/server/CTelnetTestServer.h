#pragma once

#include "CLocalPort.h"
#include "CTestAccount.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// The system's telnet server (inetutils-telnetd) under socat on 127.0.0.1
// and a free port, logging in through the real /bin/login a local test
// account whose home is a throw-away folder and whose shell is bash. Root only.
class CTelnetTestServer
{
public:
    static constexpr const char *user = "ostrak-telnet";
    static constexpr const char *password = "Telnet-test-7";

    ~CTelnetTestServer() { stop(); }

    // Empty on success, else why the server did not start.
    QString start()
    {
        stop();
        const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
        if (socat.isEmpty())
            return QStringLiteral("socat is not installed (scripts/install-deps.sh installs it)");
        if (!QFileInfo::exists(QStringLiteral("/usr/sbin/telnetd")))
            return QStringLiteral("/usr/sbin/telnetd is not installed (package inetutils-telnetd)");
        QDir().mkpath(home());
        if (QString why = CTestAccount::ensure(user, password, home(), "/bin/bash"); !why.isEmpty())
            return why;
        m_port = CLocalPort::unused();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(socat, {"-d", "-d", QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(m_port),
                                QStringLiteral("EXEC:/usr/sbin/telnetd")});
        return CLocalPort::awaitListening(m_process, m_port);
    }

    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    quint16 port() const { return m_port; }
    QString home() const { return QDir(m_dir.path()).filePath(QStringLiteral("home")); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = QDir(home()).filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        CTestEnvironment::writeFile(path, bytes);
        QCOMPARE(CTestAccount::own(user, home()), QString());
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

#define START_TELNET_SERVER(server) START_TEST_SERVER("telnet", (server).start())
