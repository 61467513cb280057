#include "CFrameFixture.h"
#include "CFtpTestServer.h"
#include "CFtpCommandDriver.h"
#include "CSftpTestServer.h"

#include "editor/COstrakView.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CFtpText.h"
#include "ftp/CKnownHosts.h"
#include "ftp/CTrustStore.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QtTest>

// The same commands over FTP, FTP over TLS and SFTP against real servers:
// pyftpdlib, its TLS handler with a self-signed certificate, and sshd with
// its own host key.
class tst_SecureTransfers : public QObject
{
    Q_OBJECT

private:
    CFtpTestServer m_ftp;
    CFtpTestServer m_ftps;
    CSftpTestServer m_sftp;
    CFrameFixture m_fx;

    // The server a test row names: "ftp", "ftps", "sftp", or "sftp-key"
    // (SFTP that logs in with the user's own key).
    struct Server
    {
        CFtpTestServer *ftps; // one of the pyftpdlib servers, or none for SFTP
        QString host;
        int port;
        QString user, password, entry;
    };
    Server server(const QString &protocol)
    {
        if (protocol.startsWith(QLatin1String("ftp"))) {
            CFtpTestServer *f = protocol == QLatin1String("ftp") ? &m_ftp : &m_ftps;
            return {f, protocol + QStringLiteral("://127.0.0.1"), f->port(), CFtpTestServer::user,
                    CFtpTestServer::password, QStringLiteral("/")};
        }
        return {nullptr, QStringLiteral("sftp://127.0.0.1"), m_sftp.port(), CSftpTestServer::user,
                protocol == QLatin1String("sftp-key") ? QString() : QLatin1String(CSftpTestServer::password), m_sftp.root()};
    }
    QByteArray serverBytes(const Server &s, const QString &name) const { return s.ftps ? s.ftps->read(name) : m_sftp.read(name); }
    // The fingerprint as the openssl and ssh-keygen tools print it.
    QString expectedFingerprint(const Server &s) const
    {
        if (s.ftps)
            return s.ftps->fingerprint();
        QProcess keygen;
        keygen.start(QStringLiteral("ssh-keygen"), {"-l", "-E", "sha256", "-f", m_sftp.hostKeyFile() + ".pub"});
        keygen.waitForFinished();
        return QString::fromLatin1(keygen.readAll()).section(QLatin1Char(' '), 1, 1);
    }
    void trust(const Server &s)
    {
        if (s.ftps)
            CTrustStore::trust(QStringLiteral("127.0.0.1"), s.port, s.ftps->fingerprint());
        else
            QCOMPARE(CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), s.port, m_sftp.hostKey()), QString());
    }
    static QString connect(CFtpConnection &c, const Server &s) { return c.connect(s.host, s.user, s.password, s.port); }
    CFtpCommands *commands() { return m_fx->view()->findChild<CFtpCommands *>(QStringLiteral("CFtpCommands")); }

    // Load from server of "sub/a.pl" with the trust question answered
    // `answer`; returns the question's text, empty when none came.
    QString load(QMessageBox::StandardButton answer, bool toEditor)
    {
        const QStringList shown = loadFromServer(*commands(), QStringLiteral("sub"), QStringLiteral("a.pl"), toEditor, answer);
        return shown.filter(QStringLiteral("Do you trust")).value(0);
    }

private slots:
    void initTestCase()
    {
        START_FTP_SERVER(m_ftp, CFtpTestServer::Normal);
        START_FTP_SERVER(m_ftps, CFtpTestServer::Tls);
        START_SFTP_SERVER(m_sftp);
    }

    void init()
    {
        m_fx.open();
        QFile::remove(CKnownHosts::userFile());
        QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("TrustedCertificates"));
        // The user's own SSH key, for a login without password.
        QDir().mkpath(QDir::homePath() + QStringLiteral("/.ssh"));
        QFile::remove(QDir::homePath() + QStringLiteral("/.ssh/id_ed25519"));
        QVERIFY(QFile::copy(m_sftp.clientKey(), QDir::homePath() + QStringLiteral("/.ssh/id_ed25519")));
        for (CFtpTestServer *f : {&m_ftp, &m_ftps}) {
            QDir(f->path(QStringLiteral("sub"))).removeRecursively();
            f->write(QStringLiteral("sub/a.pl"), "print 1;\nprint 2;\n");
        }
        QDir(m_sftp.path(QStringLiteral("sub"))).removeRecursively();
        m_sftp.write(QStringLiteral("sub/a.pl"), "print 1;\nprint 2;\n");
    }

    void connectionRoundTrips_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::newRow("ftp") << "ftp";
        QTest::newRow("ftps") << "ftps";
        QTest::newRow("sftp by password") << "sftp";
        QTest::newRow("sftp by the user's key") << "sftp-key";
    }
    void connectionRoundTrips()
    {
        QFETCH(QString, protocol);
        const Server s = server(protocol);
        trust(s);
        CFtpConnection c;
        // A wrong password is told as such (plain FTP keeps the server's reply).
        Server wrong = s;
        wrong.password = QStringLiteral("wrong");
        const QString refused = protocol == "ftp" ? QString() : connect(c, wrong);
        QVERIFY2(protocol == "ftp" || refused.startsWith("The server refused the user name or password ("), qPrintable(refused));
        QVERIFY(c.connect("http://127.0.0.1", s.user, s.password, s.port).startsWith("The host name starts with \"http://\""));
        QCOMPARE(connect(c, s), QString());
        QCOMPARE(c.currentDirectory(), s.entry);
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("sub")), QString());
        QVERIFY2(c.currentDirectory().endsWith(QLatin1String("/sub")), qPrintable(c.currentDirectory()));
        QList<CFtpEntry> entries;
        QCOMPARE(c.list(entries), QString());
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).name, QStringLiteral("a.pl"));
        QCOMPARE(entries.at(0).size, 18);

        QByteArray blob(3 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(blob.data()), blob.size() / 4);
        blob.replace(0, 5, "\r\n\n\r\n");
        const QString local = m_fx.env->path(QStringLiteral("b.bin"));
        CTestEnvironment::writeFile(local, blob);
        QCOMPARE(c.putFile(local, QStringLiteral("b.bin"), CFtpConnection::Binary), QString());
        QVERIFY(serverBytes(s, QStringLiteral("sub/b.bin")) == blob);
        QByteArray back;
        QCOMPARE(c.readFile(QStringLiteral("b.bin"), CFtpConnection::Binary, back), QString());
        QVERIFY(back == blob);

        // ASCII stores Unix lines on the server and reads back the same bytes.
        QCOMPARE(c.putData("one\r\ntwo\nthree", QStringLiteral("t.pl"), CFtpConnection::Ascii), QString());
        QCOMPARE(serverBytes(s, QStringLiteral("sub/t.pl")), QByteArray("one\ntwo\nthree"));
        QCOMPARE(c.readFile(QStringLiteral("t.pl"), CFtpConnection::Ascii, back), QString());
        QCOMPARE(CFtpText::fromNetworkLineEnds(back), QByteArray("one\ntwo\nthree"));

        const QString odd = QStringLiteral("u \"q\" \\.pl");
        QCOMPARE(c.createDirectory(QStringLiteral("new dir")), QString());
        QCOMPARE(c.rename(QStringLiteral("t.pl"), odd), QString());
        QCOMPARE(c.remove(QStringLiteral("b.bin")), QString());
        QCOMPARE(QDir(s.ftps ? s.ftps->path("sub") : m_sftp.path("sub")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"a.pl", "new dir", odd}));
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("new dir")), QString());
        QCOMPARE(c.putData("x", QStringLiteral("in.pl"), CFtpConnection::Binary), QString());
        QCOMPARE(serverBytes(s, QStringLiteral("sub/new dir/in.pl")), QByteArray("x"));
        QCOMPARE(c.remove(QStringLiteral("in.pl")), QString());
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("..")), QString());
        QCOMPARE(c.removeDirectory(QStringLiteral("new dir")), QString());
        QVERIFY(!c.removeDirectory(QStringLiteral("gone")).isEmpty());
        QVERIFY(!c.remove(QStringLiteral("x\r\nDELE a.pl")).isEmpty()); // no second command smuggled in

        QVERIFY(!c.setCurrentDirectory(QStringLiteral("missing")).isEmpty());
        QVERIFY(c.currentDirectory().endsWith(QLatin1String("/sub")));
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("..")), QString());
        QCOMPARE(c.currentDirectory(), s.entry);
    }

    void trustQuestion_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("otherTrusted");
        QTest::newRow("ftps, trusted") << "ftps" << true << false;
        QTest::newRow("ftps, not trusted") << "ftps" << false << false;
        QTest::newRow("ftps, another certificate was trusted") << "ftps" << false << true;
        QTest::newRow("sftp, trusted") << "sftp" << true << false;
        QTest::newRow("sftp, not trusted") << "sftp" << false << false;
    }
    void trustQuestion()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, yes);
        const Server s = server(protocol);
        QFETCH(bool, otherTrusted);
        if (otherTrusted)
            CTrustStore::trust(QStringLiteral("127.0.0.1"), s.port, QStringLiteral("AB:CD"));
        m_fx.env->writeConfig({"FTP_HOST_NAME=" + s.host, QStringLiteral("FTP_PORT_NUMBER=%1").arg(s.port), "FTP_USER_NAME=" + s.user,
                               "FTP_USER_PASS=" + s.password, "LOCAL_DIRECTORY=" + m_fx.env->programDir(),
                               "REMOTE_DIRECTORY=" + s.entry});
        const QString question = load(yes ? QMessageBox::Yes : QMessageBox::No, true);
        QVERIFY2(question.contains(expectedFingerprint(s)), qPrintable(question));
        QVERIFY(question.contains(s.ftps ? QLatin1String("Subject: O=Ostrak tests,CN=localhost") : QLatin1String("ssh-ed25519")));
        if (!yes) {
            QVERIFY2(m_fx->statusText().startsWith(QLatin1String("Could not connect. (")), qPrintable(m_fx->statusText()));
            QVERIFY(m_fx->document()->m_strRemoteDir.isEmpty());
            CFtpConnection c;
            QVERIFY(!connect(c, s).isEmpty());
            QVERIFY(!c.isOpen());
            QCOMPARE(c.unverifiedPeer().kind, s.ftps ? CPeerIdentity::Certificate : CPeerIdentity::HostKey);
            return;
        }
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\nprint 2;\n"));
        m_fx->view()->setBytes("print 3;\r\n");
        commands()->OnPutBack();
        QCOMPARE(serverBytes(s, QStringLiteral("sub/a.pl")), QByteArray("print 3;\n"));

        // Trusted now: the next command asks nothing and loads to a file.
        m_fx->document()->setModified(false);
        QVERIFY(QFile::remove(m_fx.env->path(QStringLiteral("a.pl"))));
        QCOMPARE(load(QMessageBox::No, false), QString());
        QCOMPARE(CTestEnvironment::readFile(m_fx.env->path(QStringLiteral("a.pl"))), QByteArray("print 3;\n"));
    }

    void changedHostKeyIsRefused()
    {
        const Server s = server(QStringLiteral("sftp"));
        trust(s);
        const QByteArray known = CTestEnvironment::readFile(CKnownHosts::userFile());
        CFtpConnection c;
        QCOMPARE(connect(c, s), QString());
        c.close();
        QCOMPARE(m_sftp.restartWithNewHostKey(), QString());
        const QString error = connect(c, s);
        QVERIFY2(error.contains(QLatin1String("has changed")), qPrintable(error));
        QVERIFY(c.unverifiedPeer().changed);
        QCOMPARE(CTestEnvironment::readFile(CKnownHosts::userFile()), known);
    }
};

QTEST_MAIN(tst_SecureTransfers)
#include "tst_securetransfers.moc"
