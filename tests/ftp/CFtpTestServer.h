#pragma once

#include "CLocalPort.h"
#include "CTestAccount.h"
#include "CTestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A real FTP server on 127.0.0.1 and a free port, serving a throw-away
// folder as "/"; stopped when the object goes. Normal is the stock Python
// server, Hostile adds a "../escape.pl" entry to every listing, Silent never
// greets, Tls requires TLS with a self-signed certificate made for the run.
// Vsftpd and VsftpdTls are the system's vsftpd with a configuration of its
// own, logging in a local test account (root only).
class CFtpTestServer
{
public:
    enum Kind { Normal, Hostile, Silent, Tls, Vsftpd, VsftpdTls };
    static constexpr const char *user = "tester";
    static constexpr const char *password = "secret";
    static constexpr const char *systemUser = "ostrak-ftp";
    static constexpr const char *systemPassword = "Ftp-test-7";

    ~CFtpTestServer() { stop(); }

    QString loginUser() const { return QLatin1String(m_vsftpd ? systemUser : user); }
    QString loginPassword() const { return QLatin1String(m_vsftpd ? systemPassword : password); }

    // Empty on success, else why the server did not start.
    QString start(Kind kind = Normal)
    {
        stop();
        if (!m_root.isValid())
            return QStringLiteral("no temporary folder");
        m_vsftpd = kind == Vsftpd || kind == VsftpdTls;
        if (m_vsftpd)
            return startVsftpd(kind == VsftpdTls);
        QStringList args;
        if (kind == Normal)
            args = {"-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-w", "-d", m_root.path(), "-u", user, "-P", password};
        else
            args = {OSTRAK_SOURCE_DIR "/tests/ftp/ftpserver.py", kind == Silent ? "silent" : kind == Tls ? "tls" : "hostile",
                    m_root.path(), user, password};
        if (kind == Tls) {
            args << QDir(m_keys.path()).filePath("server.crt") << QDir(m_keys.path()).filePath("server.key");
            if (QString why = makeCertificate(args.at(5), args.at(6)); !why.isEmpty())
                return why;
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        if (!m_process.waitForStarted(5000))
            return QStringLiteral("python3 did not start: ") + m_process.errorString();
        static const QRegularExpression portLine(QStringLiteral("starting FTP server on [^ ]+:(\\d+)"));
        QByteArray log;
        for (int i = 0; i < 100 && m_process.state() == QProcess::Running; ++i) {
            m_process.waitForReadyRead(100);
            log += m_process.readAll();
            const auto match = portLine.match(QString::fromUtf8(log));
            if (match.hasMatch()) {
                m_port = match.captured(1).toInt();
                return {};
            }
        }
        log += m_process.readAll();
        return QStringLiteral("the FTP server did not report its port: ") + QString::fromUtf8(log);
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    int port() const { return m_port; }
    // The certificate's SHA-256 fingerprint as "AB:CD:...", from the openssl tool.
    QString fingerprint() const { return m_fingerprint; }
    QString path(const QString &name) const { return QDir(m_root.path()).filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        CTestEnvironment::writeFile(path(name), bytes);
        own();
    }
    // What the test made in the served folder becomes the test account's.
    void own() const
    {
        if (m_vsftpd)
            QCOMPARE(CTestAccount::own(systemUser, m_root.path()), QString());
    }
    QByteArray read(const QString &name) const { return CTestEnvironment::readFile(path(name)); }

private:
    QString startVsftpd(bool tls)
    {
        if (!QFileInfo::exists(QStringLiteral("/usr/sbin/vsftpd")))
            return QStringLiteral("/usr/sbin/vsftpd is not installed (package vsftpd)");
        // Each server logs the account into its own folder (local_root), whatever its home.
        if (QString why = CTestAccount::ensure(systemUser, systemPassword, m_root.path(), "/bin/sh"); !why.isEmpty())
            return why;
        m_port = CLocalPort::unused();
        QString config = QStringLiteral(
            "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\nbackground=NO\n"
            "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\npam_service_name=vsftpd\n"
            "chroot_local_user=YES\nallow_writeable_chroot=YES\nsecure_chroot_dir=/var/run/vsftpd/empty\n"
            "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\nascii_upload_enable=YES\n"
            "ascii_download_enable=YES\nconnect_from_port_20=NO\nxferlog_enable=NO\nuse_localtime=YES\n"
            "userlist_enable=NO\nlocal_root=%2\n").arg(m_port).arg(m_root.path());
        if (tls) {
            const QString cert = QDir(m_keys.path()).filePath(QStringLiteral("server.crt"));
            const QString key = QDir(m_keys.path()).filePath(QStringLiteral("server.key"));
            if (QString why = makeCertificate(cert, key); !why.isEmpty())
                return why;
            config += QStringLiteral("ssl_enable=YES\nrsa_cert_file=%1\nrsa_private_key_file=%2\n"
                                     "force_local_data_ssl=YES\nforce_local_logins_ssl=YES\nrequire_ssl_reuse=NO\n"
                                     "ssl_ciphers=HIGH\n").arg(cert, key);
        }
        QDir().mkpath(QStringLiteral("/var/run/vsftpd/empty"));
        const QString file = QDir(m_keys.path()).filePath(QStringLiteral("vsftpd.conf"));
        CTestEnvironment::writeFile(file, config.toUtf8());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/usr/sbin/vsftpd"), {file});
        return CLocalPort::awaitListening(m_process, m_port);
    }

    // A self-signed certificate for localhost in `cert`, its key in `key`.
    QString makeCertificate(const QString &cert, const QString &key)
    {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                                  "-nodes", "-days", "2", "-subj", "/CN=localhost/O=Ostrak tests",
                                                  "-keyout", key, "-out", cert});
        openssl.waitForFinished(20000);
        const QString failure = QString::fromUtf8(openssl.readAll());
        openssl.start(QStringLiteral("openssl"), {"x509", "-noout", "-fingerprint", "-sha256", "-in", cert});
        openssl.waitForFinished(20000);
        m_fingerprint = QString::fromLatin1(openssl.readAll()).trimmed().section(QLatin1Char('='), 1);
        return m_fingerprint.isEmpty() ? QStringLiteral("openssl made no certificate: ") + failure : QString();
    }

    QTemporaryDir m_root;
    QTemporaryDir m_keys;
    QString m_fingerprint;
    QProcess m_process;
    int m_port = 0;
    bool m_vsftpd = false;
};

#define START_FTP_SERVER(server, kind) START_TEST_SERVER("FTP", (server).start(kind))
