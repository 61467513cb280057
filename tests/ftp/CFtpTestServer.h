#pragma once

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
// folder; stopped when the object goes. Normal is the stock server, Hostile
// adds a "../escape.pl" entry to every listing, Silent never greets, Tls
// requires TLS with a self-signed certificate made for the run.
class CFtpTestServer
{
public:
    enum Kind { Normal, Hostile, Silent, Tls };
    static constexpr const char *user = "tester";
    static constexpr const char *password = "secret";

    ~CFtpTestServer() { stop(); }

    // Empty on success, else why the server did not start.
    QString start(Kind kind = Normal)
    {
        stop();
        if (!m_root.isValid())
            return QStringLiteral("no temporary folder");
        QStringList args;
        if (kind == Normal)
            args = {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"), QStringLiteral("127.0.0.1"),
                    QStringLiteral("-p"), QStringLiteral("0"), QStringLiteral("-w"), QStringLiteral("-d"), m_root.path(),
                    QStringLiteral("-u"), QLatin1String(user), QStringLiteral("-P"), QLatin1String(password)};
        else
            args = {QStringLiteral(OSTRAK_SOURCE_DIR "/tests/ftp/ftpserver.py"),
                    kind == Silent ? QStringLiteral("silent") : kind == Tls ? QStringLiteral("tls") : QStringLiteral("hostile"),
                    m_root.path(), QLatin1String(user), QLatin1String(password)};
        if (kind == Tls) {
            args << QDir(m_keys.path()).filePath(QStringLiteral("server.crt")) << QDir(m_keys.path()).filePath(QStringLiteral("server.key"));
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
    }
    QByteArray read(const QString &name) const { return CTestEnvironment::readFile(path(name)); }

private:
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
};

// Starts `server` or fails the calling test with the reason.
#define START_FTP_SERVER(server, kind)                                                                  \
    do {                                                                                                \
        const QString why = (server).start(kind);                                                       \
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("FTP test server did not start: ") + why));   \
    } while (0)
