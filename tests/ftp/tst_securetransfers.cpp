#include "CFrameFixture.h"
#include "CFtpTestServer.h"
#include "CModalHandler.h"
#include "CSftpTestServer.h"

#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "ftp/CFtpBrowseDlg.h"
#include "ftp/CFtpCommands.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CFtpListModel.h"
#include "ftp/CFtpText.h"
#include "ftp/CKnownHosts.h"
#include "ftp/CServerLoginDlg.h"
#include "ftp/CTrustStore.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTreeView>
#include <QtTest>

// FTP over TLS and SFTP against real servers: pyftpdlib's TLS handler with a
// self-signed certificate, and sshd with its own host key.
class tst_SecureTransfers : public QObject
{
    Q_OBJECT

private:
    CFtpTestServer m_ftps;
    CSftpTestServer m_sftp;
    CFrameFixture m_fx;

    static bool isFtps(const QString &protocol) { return protocol == QLatin1String("ftps"); }
    int port(const QString &protocol) const { return isFtps(protocol) ? m_ftps.port() : m_sftp.port(); }
    QString user(const QString &protocol) const
    {
        return QLatin1String(isFtps(protocol) ? CFtpTestServer::user : CSftpTestServer::user);
    }
    QString password(const QString &protocol) const
    {
        return isFtps(protocol) ? QLatin1String(CFtpTestServer::password)
               : protocol == QLatin1String("sftp-key") ? QString() : QLatin1String(CSftpTestServer::password);
    }
    QString serverPath(const QString &protocol, const QString &name) const
    {
        return isFtps(protocol) ? m_ftps.path(name) : m_sftp.path(name);
    }
    QByteArray serverBytes(const QString &protocol, const QString &name) const
    {
        return isFtps(protocol) ? m_ftps.read(name) : m_sftp.read(name);
    }
    QString host(const QString &protocol) const
    {
        return (isFtps(protocol) ? QStringLiteral("ftps://") : QStringLiteral("sftp://")) + QStringLiteral("127.0.0.1");
    }
    QString expectedFingerprint(const QString &protocol) const
    {
        if (isFtps(protocol))
            return m_ftps.fingerprint();
        // ssh-keygen's own digest of the key file, not ours.
        QProcess keygen;
        keygen.start(QStringLiteral("ssh-keygen"), {"-l", "-E", "sha256", "-f", m_sftp.hostKeyFile() + ".pub"});
        keygen.waitForFinished();
        return QString::fromLatin1(keygen.readAll()).section(QLatin1Char(' '), 1, 1);
    }
    void trust(const QString &protocol)
    {
        if (isFtps(protocol))
            CTrustStore::trust(QStringLiteral("127.0.0.1"), port(protocol), m_ftps.fingerprint());
        else
            QCOMPARE(CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), port(protocol), m_sftp.hostKey()),
                     QString());
    }
    QString connect(CFtpConnection &c, const QString &protocol, const QString &pass)
    {
        return c.connect(host(protocol), user(protocol), pass, port(protocol));
    }
    void configure(const QString &protocol)
    {
        m_fx.env->writeConfig({QStringLiteral("FTP_HOST_NAME=") + host(protocol),
                               QStringLiteral("FTP_PORT_NUMBER=%1").arg(port(protocol)),
                               QStringLiteral("FTP_USER_NAME=") + user(protocol),
                               QStringLiteral("FTP_USER_PASS=") + password(protocol),
                               QStringLiteral("LOCAL_DIRECTORY=") + m_fx.env->programDir(),
                               QStringLiteral("REMOTE_DIRECTORY=") + (isFtps(protocol) ? QStringLiteral("/") : m_sftp.root())});
    }
    CFtpCommands *commands() { return m_fx->view()->findChild<CFtpCommands *>(QStringLiteral("CFtpCommands")); }

    // Load from server of "sub/a.pl", answering the trust question (if
    // one comes) with `answer`; returns the question's text.
    QString load(QMessageBox::StandardButton answer, bool toEditor)
    {
        auto question = std::make_shared<QString>();
        auto browse = [toEditor](QWidget *b) {
            auto *dlg = qobject_cast<CFtpBrowseDlg *>(b);
            QVERIFY(dlg);
            dlg->commandBox()->setEditText(QStringLiteral("CD sub"));
            dlg->OnExec();
            if (!toEditor)
                dlg->findChild<QRadioButton *>(QStringLiteral("1060"))->click();
            for (int r = 0; r < dlg->model()->rowCount(); ++r)
                if (dlg->model()->row(r).name == QLatin1String("a.pl"))
                    dlg->list()->selectionModel()->select(dlg->model()->index(r, 0),
                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            if (dlg->list()->selectionModel()->selectedRows().isEmpty()) {
                dlg->reject();
                QFAIL("a.pl is not listed");
            }
            handleNextModal([](QWidget *box) { qobject_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click(); });
            dlg->findChild<QPushButton *>(QStringLiteral("1012"))->click();
        };
        handleNextModal([=](QWidget *login) {
            QVERIFY(qobject_cast<CServerLoginDlg *>(login));
            handleNextModal([=](QWidget *next) {
                auto *box = qobject_cast<QMessageBox *>(next);
                if (!box)
                    return browse(next);
                *question = box->text();
                if (answer == QMessageBox::Yes)
                    handleNextModal(browse);
                box->button(answer)->click();
            });
            login->findChild<QPushButton *>(QStringLiteral("1"))->click();
        });
        commands()->OnLoadFromServer();
        return *question;
    }

private slots:
    void initTestCase()
    {
        START_FTP_SERVER(m_ftps, CFtpTestServer::Tls);
        START_SFTP_SERVER(m_sftp);
    }

    void init()
    {
        m_fx.open();
        QFile::remove(CKnownHosts::userFile());
        QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("TrustedCertificates"));
        // The user's own SSH key, for a login without password.
        const QString key = QDir::homePath() + QStringLiteral("/.ssh/id_ed25519");
        QDir().mkpath(QFileInfo(key).absolutePath());
        QFile::remove(key);
        QVERIFY(QFile::copy(m_sftp.clientKey(), key));
        QDir(m_ftps.path(QStringLiteral("sub"))).removeRecursively();
        QDir(m_sftp.path(QStringLiteral("sub"))).removeRecursively();
        m_ftps.write(QStringLiteral("sub/a.pl"), "print 1;\nprint 2;\n");
        m_sftp.write(QStringLiteral("sub/a.pl"), "print 1;\nprint 2;\n");
    }

    void connectionRoundTrips_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::newRow("ftps") << "ftps";
        QTest::newRow("sftp by password") << "sftp";
        QTest::newRow("sftp by the user's key") << "sftp-key";
    }
    void connectionRoundTrips()
    {
        QFETCH(QString, protocol);
        trust(protocol);
        CFtpConnection c;
        QCOMPARE(connect(c, protocol, password(protocol)), QString());
        const QString entry = c.currentDirectory();
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("sub")), QString());
        QVERIFY2(c.currentDirectory().endsWith(QLatin1String("/sub")), qPrintable(c.currentDirectory()));
        QList<CFtpEntry> entries;
        QCOMPARE(c.list(entries), QString());
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).name, QStringLiteral("a.pl"));
        QCOMPARE(entries.at(0).size, 18);

        QByteArray blob(300 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(blob.data()), blob.size() / 4);
        blob.replace(0, 5, "\r\n\n\r\n");
        const QString local = m_fx.env->path(QStringLiteral("b.bin"));
        CTestEnvironment::writeFile(local, blob);
        QCOMPARE(c.putFile(local, QStringLiteral("b.bin"), CFtpConnection::Binary), QString());
        QVERIFY(serverBytes(protocol, QStringLiteral("sub/b.bin")) == blob);
        QByteArray back;
        QCOMPARE(c.readFile(QStringLiteral("b.bin"), CFtpConnection::Binary, back), QString());
        QVERIFY(back == blob);

        // ASCII stores Unix lines on the server and reads back as lines.
        QCOMPARE(c.putData("one\r\ntwo\nthree", QStringLiteral("t.pl"), CFtpConnection::Ascii), QString());
        QCOMPARE(serverBytes(protocol, QStringLiteral("sub/t.pl")), QByteArray("one\ntwo\nthree"));
        QCOMPARE(c.readFile(QStringLiteral("t.pl"), CFtpConnection::Ascii, back), QString());
        QCOMPARE(CFtpText::linesWithCrLf(back), QByteArray("one\r\ntwo\r\nthree\r\n"));

        const QString odd = QStringLiteral("u \"q\" \\.pl");
        QCOMPARE(c.createDirectory(QStringLiteral("new dir")), QString());
        QCOMPARE(c.rename(QStringLiteral("t.pl"), odd), QString());
        QCOMPARE(c.remove(QStringLiteral("b.bin")), QString());
        QCOMPARE(QDir(serverPath(protocol, QStringLiteral("sub"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"a.pl", "new dir", odd}));
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("new dir")), QString());
        QCOMPARE(c.putData("x", QStringLiteral("in.pl"), CFtpConnection::Binary), QString());
        QCOMPARE(serverBytes(protocol, QStringLiteral("sub/new dir/in.pl")), QByteArray("x"));
        QCOMPARE(c.remove(QStringLiteral("in.pl")), QString());
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("..")), QString());
        QCOMPARE(c.removeDirectory(QStringLiteral("new dir")), QString());
        QVERIFY(!QFileInfo::exists(serverPath(protocol, QStringLiteral("sub/new dir"))));
        QVERIFY(!c.removeDirectory(QStringLiteral("gone")).isEmpty());

        QVERIFY(!c.setCurrentDirectory(QStringLiteral("missing")).isEmpty());
        QVERIFY(c.currentDirectory().endsWith(QLatin1String("/sub")));
        QCOMPARE(c.setCurrentDirectory(QStringLiteral("..")), QString());
        QCOMPARE(c.currentDirectory(), entry);
    }

    void unverifiedServerIsNotTrusted_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("trustAnother");
        QTest::newRow("ftps, nothing trusted") << "ftps" << false;
        QTest::newRow("ftps, another certificate trusted") << "ftps" << true;
        QTest::newRow("sftp, key not known") << "sftp" << false;
    }
    void unverifiedServerIsNotTrusted()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, trustAnother);
        if (trustAnother)
            CTrustStore::trust(QStringLiteral("127.0.0.1"), port(protocol), QStringLiteral("AB:CD"));
        CFtpConnection c;
        const QString error = connect(c, protocol, password(protocol));
        QVERIFY(!error.isEmpty());
        const CPeerIdentity &peer = c.unverifiedPeer();
        QCOMPARE(peer.kind, isFtps(protocol) ? CPeerIdentity::Certificate : CPeerIdentity::HostKey);
        QCOMPARE(peer.fingerprint, expectedFingerprint(protocol));
        QCOMPARE(peer.subject, isFtps(protocol) ? QStringLiteral("O=Ostrak tests,CN=localhost") : QStringLiteral("ssh-ed25519"));
        QVERIFY(!peer.changed);
        QVERIFY(!c.isOpen());
    }

    void trustQuestion_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("yes");
        QTest::newRow("ftps, trusted") << "ftps" << true;
        QTest::newRow("ftps, not trusted") << "ftps" << false;
        QTest::newRow("sftp, trusted") << "sftp" << true;
        QTest::newRow("sftp, not trusted") << "sftp" << false;
    }
    void trustQuestion()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, yes);
        configure(protocol);
        const QString question = load(yes ? QMessageBox::Yes : QMessageBox::No, true);
        QVERIFY2(question.contains(expectedFingerprint(protocol)), qPrintable(question));
        QVERIFY(question.contains(QLatin1String("127.0.0.1")));
        if (!yes) {
            QVERIFY2(m_fx->statusText().startsWith(QLatin1String("Could not connect. (")), qPrintable(m_fx->statusText()));
            QVERIFY(m_fx->document()->m_strRemoteDir.isEmpty());
            CFtpConnection c;
            QVERIFY(!connect(c, protocol, password(protocol)).isEmpty());
            return;
        }
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\r\nprint 2;\r\n"));
        m_fx->view()->setBytes("print 3;\r\n");
        commands()->OnPutBack();
        QCOMPARE(serverBytes(protocol, QStringLiteral("sub/a.pl")), QByteArray("print 3;\n"));

        // Trusted now: the next command asks nothing and loads to a file.
        m_fx->document()->setModified(false);
        QCOMPARE(load(QMessageBox::No, false), QString());
        QCOMPARE(CTestEnvironment::readFile(m_fx.env->path(QStringLiteral("a.pl"))), QByteArray("print 3;\r\n"));
    }

    void changedHostKeyIsRefused()
    {
        trust(QStringLiteral("sftp"));
        const QByteArray known = CTestEnvironment::readFile(CKnownHosts::userFile());
        CFtpConnection c;
        QCOMPARE(connect(c, QStringLiteral("sftp"), QLatin1String(CSftpTestServer::password)), QString());
        c.close();
        QCOMPARE(m_sftp.restartWithNewHostKey(), QString());
        const QString error = connect(c, QStringLiteral("sftp"), QLatin1String(CSftpTestServer::password));
        QVERIFY2(error.contains(QLatin1String("has changed")), qPrintable(error));
        QVERIFY(c.unverifiedPeer().changed);
        QCOMPARE(CTestEnvironment::readFile(CKnownHosts::userFile()), known);
    }

    void wrongPasswordIsReportedAtOnce_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::newRow("ftps") << "ftps";
        QTest::newRow("sftp") << "sftp";
    }
    void wrongPasswordIsReportedAtOnce()
    {
        QFETCH(QString, protocol);
        trust(protocol);
        CFtpConnection c;
        QElapsedTimer t;
        t.start();
        const QString error = connect(c, protocol, QStringLiteral("wrong"));
        QVERIFY2(error.startsWith(QLatin1String("The server refused the user name or password (")), qPrintable(error));
        QVERIFY(t.elapsed() < 10000);
    }
};

QTEST_MAIN(tst_SecureTransfers)
#include "tst_securetransfers.moc"
