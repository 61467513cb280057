#pragma once

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
// adds a "../escape.pl" entry to every listing, Silent never greets.
class CFtpTestServer
{
public:
    enum Kind { Normal, Hostile, Silent };
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
                    kind == Silent ? QStringLiteral("silent") : QStringLiteral("hostile"), m_root.path(),
                    QLatin1String(user), QLatin1String(password)};
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
    QString path(const QString &name) const { return QDir(m_root.path()).filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private:
    QTemporaryDir m_root;
    QProcess m_process;
    int m_port = 0;
};

// Starts `server` or fails the calling test with the reason.
#define START_FTP_SERVER(server, kind)                                                                  \
    do {                                                                                                \
        const QString why = (server).start(kind);                                                       \
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("FTP test server did not start: ") + why));   \
    } while (0)
