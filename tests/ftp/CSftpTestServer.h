#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

// A real SSH server (the system's sshd, run with a configuration of its own)
// on 127.0.0.1 and a free port, serving a throw-away folder over SFTP to a
// local test account that logs in by password or by the key in clientKey().
// It must run as root, to log that account in.
class CSftpTestServer
{
public:
    static constexpr const char *user = "ostrak-sftp";
    static constexpr const char *password = "Sftp-test-7";

    ~CSftpTestServer() { stop(); }

    // Empty on success, else why the server did not start.
    QString start()
    {
        stop();
        if (geteuid() != 0)
            return QStringLiteral("the SFTP test server runs sshd, which must be started as root to log in its test account");
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                               | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        QDir().mkpath(root());
        if (QString why = ensureAccount(); !why.isEmpty())
            return why;
        if (QString why = own(root()); !why.isEmpty())
            return why;
        for (const char *key : {"host_key", "client_key"}) {
            if (!QFile::exists(file(QLatin1String(key))))
                if (QString why = run("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", file(QLatin1String(key))}); !why.isEmpty())
                    return why;
        }
        QFile::remove(file(QStringLiteral("authorized_keys")));
        QFile::copy(file(QStringLiteral("client_key.pub")), file(QStringLiteral("authorized_keys")));
        QFile config(file(QStringLiteral("sshd_config")));
        if (!config.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot write the sshd configuration");
        config.write(QStringLiteral("ListenAddress 127.0.0.1\nHostKey %1\nPidFile none\nUsePAM no\nStrictModes no\n"
                                    "PasswordAuthentication yes\nKbdInteractiveAuthentication no\nPubkeyAuthentication yes\n"
                                    "AuthorizedKeysFile %2\nAllowUsers %3\nPermitRootLogin no\nSubsystem sftp internal-sftp\n"
                                    "ForceCommand internal-sftp\n")
                         .arg(file(QStringLiteral("host_key")), file(QStringLiteral("authorized_keys")), QLatin1String(user))
                         .toUtf8());
        config.close();
        if (!m_port) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            m_port = probe.serverPort();
        }
        QDir().mkpath(QStringLiteral("/run/sshd"));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/sshd"),
                        {"-D", "-e", "-f", config.fileName(), "-p", QString::number(m_port)});
        if (!m_process.waitForStarted(5000))
            return QStringLiteral("sshd did not start: ") + m_process.errorString();
        for (int i = 0; i < 100 && m_process.state() == QProcess::Running; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (socket.waitForConnected(100))
                return QString();
            QThread::msleep(50);
        }
        return QStringLiteral("sshd did not listen: ") + QString::fromUtf8(m_process.readAll());
    }

    // Starts again on the same port with a host key made anew.
    QString restartWithNewHostKey()
    {
        stop();
        QFile::remove(file(QStringLiteral("host_key")));
        QFile::remove(file(QStringLiteral("host_key.pub")));
        return start();
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    int port() const { return m_port; }
    QString root() const { return file(QStringLiteral("root")); }
    QString path(const QString &name) const { return QDir(root()).filePath(name); }
    QString clientKey() const { return file(QStringLiteral("client_key")); }
    QString hostKeyFile() const { return file(QStringLiteral("host_key")); }
    // The host key as the server sends it.
    QByteArray hostKey() const
    {
        QFile f(file(QStringLiteral("host_key.pub")));
        return f.open(QIODevice::ReadOnly) ? QByteArray::fromBase64(f.readAll().split(' ').value(1)) : QByteArray();
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(own(root()), QString());
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private:
    QString file(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

    static QString run(const char *program, const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QLatin1String(program), args);
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return QStringLiteral("%1 failed: %2 %3").arg(QLatin1String(program), QString::fromUtf8(p.readAll()), p.errorString());
        return QString();
    }

    // The account has no shell: it only reaches this server's SFTP. Its home
    // is the served folder, and its password is set anew for every run.
    QString ensureAccount() const
    {
        if (!getpwnam(user))
            if (QString why = run("useradd", {"--system", "--no-create-home", "--home-dir", root(), "--shell",
                                              "/usr/sbin/nologin", QLatin1String(user)});
                !why.isEmpty())
                return why;
        if (QString::fromLocal8Bit(getpwnam(user)->pw_dir) != root())
            if (QString why = run("usermod", {"--home", root(), QLatin1String(user)}); !why.isEmpty())
                return why;
        QProcess chpasswd;
        chpasswd.start(QStringLiteral("chpasswd"));
        chpasswd.write(QByteArray(user) + ':' + password + '\n');
        chpasswd.closeWriteChannel();
        if (!chpasswd.waitForFinished(20000) || chpasswd.exitCode() != 0)
            return QStringLiteral("chpasswd failed: ") + QString::fromUtf8(chpasswd.readAllStandardError());
        return QString();
    }

    QString own(const QString &dir) const { return run("chown", {"-R", QLatin1String(user), dir}); }

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// Starts `server` or fails the calling test with the reason.
#define START_SFTP_SERVER(server)                                                                        \
    do {                                                                                                 \
        const QString why = (server).start();                                                            \
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("SFTP test server did not start: ") + why));   \
    } while (0)
