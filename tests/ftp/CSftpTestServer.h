#pragma once

#include "CLocalPort.h"
#include "CTestAccount.h"
#include "CTestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A real SSH server (the system's sshd with a configuration of its own) on
// 127.0.0.1 and a free port, serving a throw-away folder over SFTP to a local
// test account that logs in by password or by clientKey(). It must run as
// root, to log that account in. The account has no shell (it reaches only
// this server's SFTP), its home is the served folder, and its password is
// set anew for every run. With Shell, an account of its own logs in to a
// shell (bash) in that folder instead, for commands and terminals.
class CSftpTestServer
{
public:
    static constexpr const char *user = "ostrak-sftp";
    static constexpr const char *shellUser = "ostrak-ssh";
    static constexpr const char *password = "Sftp-test-7";
    enum Access { SftpOnly, Shell };

    explicit CSftpTestServer(Access access = SftpOnly)
        : m_access(access)
    {
    }
    ~CSftpTestServer() { stop(); }

    const char *account() const { return m_access == Shell ? shellUser : user; }

    // Empty on success, else why the server did not start.
    QString start()
    {
        stop();
        if (geteuid() != 0)
            return QStringLiteral("sshd must be started as root to log in its test account");
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        QDir().mkpath(root());
        QString why = CTestAccount::ensure(account(), password, root(), m_access == Shell ? "/bin/bash" : "/usr/sbin/nologin");
        for (const char *key : {"host_key", "client_key"})
            if (why.isEmpty() && !QFile::exists(file(key)))
                why = CTestAccount::run("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", file(key)});
        if (!why.isEmpty())
            return why;
        const QString config = file("sshd_config");
        CTestEnvironment::writeFile(config, QStringLiteral("ListenAddress 127.0.0.1\nHostKey %1\nAuthorizedKeysFile %2.pub\n"
                                                           "AllowUsers %3\nPidFile none\nUsePAM no\nStrictModes no\n"
                                                           "KbdInteractiveAuthentication no\nSubsystem sftp internal-sftp\n%4")
                                                .arg(file("host_key"), clientKey(), QLatin1String(account()),
                                                     m_access == Shell ? QString() : QStringLiteral("ForceCommand internal-sftp\n"))
                                                .toUtf8());
        if (!m_port)
            m_port = CLocalPort::unused();
        QDir().mkpath(QStringLiteral("/run/sshd"));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/sshd"), {"-D", "-e", "-f", config, "-p", QString::number(m_port)});
        return CLocalPort::awaitListening(m_process, m_port);
    }

    // Starts again on the same port with a host key made anew.
    QString restartWithNewHostKey()
    {
        stop();
        QFile::remove(hostKeyFile());
        QFile::remove(hostKeyFile() + ".pub");
        return start();
    }

    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    int port() const { return m_port; }
    QString root() const { return file("root"); }
    QString path(const QString &name) const { return QDir(root()).filePath(name); }
    QString clientKey() const { return file("client_key"); }
    QString hostKeyFile() const { return file("host_key"); }
    // The host key as the server sends it.
    QByteArray hostKey() const
    {
        QFile f(hostKeyFile() + ".pub");
        return f.open(QIODevice::ReadOnly) ? QByteArray::fromBase64(f.readAll().split(' ').value(1)) : QByteArray();
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        CTestEnvironment::writeFile(path(name), bytes);
        QCOMPARE(CTestAccount::own(account(), root()), QString());
    }
    QByteArray read(const QString &name) const { return CTestEnvironment::readFile(path(name)); }

private:
    QString file(const char *name) const { return QDir(m_dir.path()).filePath(QLatin1String(name)); }

    Access m_access;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

#define START_SFTP_SERVER(server) START_TEST_SERVER("SFTP", (server).start())
