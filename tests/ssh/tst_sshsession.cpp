#include "../ftp/CSftpTestServer.h"

#include "app/CSettings.h"
#include "ftp/CKnownHosts.h"
#include "run/CPipe.h"
#include "ssh/CRemoteCommandLine.h"
#include "ssh/CRemoteProcess.h"
#include "ssh/CSshSession.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <csignal>
#include <mutex>

#include <unistd.h>

namespace {

// Everything a channel brings, for the test to look at.
struct CCollector : CSshChannelSink
{
    std::mutex mutex;
    QByteArray streams[2];
    std::atomic<long> exitCode{-1000};
    std::atomic<bool> done{false};

    qsizetype take(Stream stream, QByteArrayView bytes) override
    {
        std::lock_guard lock(mutex);
        streams[stream] += bytes;
        return bytes.size();
    }
    void ended(long code) override { exitCode = code, done = true; }
    QByteArray text(Stream stream)
    {
        std::lock_guard lock(mutex);
        return streams[stream];
    }
};

// What open() ended with: "opened", "unverified: reason" or "failed: reason".
struct COutcome
{
    QString text;

    COutcome(CSshSession &session, const CSshLogin &login)
    {
        QObject::connect(&session, &CSshSession::opened, &session, [this] { text = QStringLiteral("opened"); });
        QObject::connect(&session, &CSshSession::failed, &session, [this](const QString &why) { text = "failed: " + why; });
        QObject::connect(&session, &CSshSession::hostKeyUnverified, &session,
                         [this](const CPeerIdentity &, const QString &why) { text = "unverified: " + why; });
        session.open(login);
        if (!QTest::qWaitFor([this] { return !text.isEmpty(); }, 30000))
            text = QStringLiteral("no outcome");
    }
};

QString userKeyFile() { return QDir::homePath() + QStringLiteral("/.ssh/id_ed25519"); }

const QByteArray otherKey = " ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIE1hbnkgdGhpbmdzIGFyZSBub3Qgd2hhdCB0aGV5IHNlZW0\n";

} // namespace

class tst_SshSession : public QObject
{
    Q_OBJECT

    CSftpTestServer m_server{CSftpTestServer::Shell};
    // The user's ~/.ssh is rewritten: HOME is a folder of the test's own.
    QTemporaryDir m_home;

    CSshLogin login(const QString &password = QLatin1String(CSftpTestServer::password)) const
    {
        return {QStringLiteral("127.0.0.1"), m_server.port(), QLatin1String(CSftpTestServer::shellUser), password, 10};
    }
    // Writes a known_hosts that holds the server's key, after `before`.
    void trustServer(const QByteArray &before = QByteArray())
    {
        CTestEnvironment::writeFile(CKnownHosts::userFile(), before);
        QCOMPARE(CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), m_server.port(), m_server.hostKey()),
                 QString());
    }
    std::unique_ptr<CSshSession> openedSession()
    {
        auto session = std::make_unique<CSshSession>();
        COutcome outcome(*session, login());
        if (outcome.text == QLatin1String("opened"))
            return session;
        qWarning("open: %s", qPrintable(outcome.text));
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        START_SFTP_SERVER(m_server);
        QVERIFY(QDir().mkpath(QDir::homePath() + QStringLiteral("/.ssh")));
    }

    void init()
    {
        trustServer();
        QFile::remove(userKeyFile());
    }

    // `expected` is a pattern for the outcome; @ stands for the port. A host of
    // "" is the test server; a port of -1 accepts and never greets.
    void opening_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<QString>("expected");
        const QString refused = "^failed: The server 127\\.0\\.0\\.1 refused the login of ostrak-ssh with the %1 \\(it offers: password, publickey\\)$";
        const QString unreachable = "^failed: Could not connect to %1 port @: .*%2";
        QTest::addRow("password") << "" << 0 << CSftpTestServer::password << false << "^opened$";
        QTest::addRow("key, empty password") << "" << 0 << "" << true << "^opened$";
        QTest::addRow("wrong password") << "" << 0 << "wrong" << false << refused.arg("password");
        QTest::addRow("no password, no key") << "" << 0 << "" << false << refused.arg("user's keys");
        QTest::addRow("refused") << "127.0.0.1" << CLocalPort::unused() << "y" << false << unreachable.arg("127\\.0\\.0\\.1", "refused");
        QTest::addRow("unknown host") << "no-such-host.invalid" << 22 << "y" << false
                                      << unreachable.arg("no-such-host\\.invalid", "no-such-host\\.invalid");
        QTest::addRow("time-out") << "127.0.0.1" << -1 << "y" << false << unreachable.arg("127\\.0\\.0\\.1", "imeout");
    }
    void opening()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        QFETCH(bool, withKey);
        if (withKey) {
            QVERIFY(QFile::copy(m_server.clientKey(), userKeyFile()));
            QVERIFY(QFile::setPermissions(userKeyFile(), QFile::ReadOwner | QFile::WriteOwner));
        }
        QTcpServer silent;
        if (port < 0) {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            port = silent.serverPort();
        }
        CSshSession session;
        const QString text = COutcome(session, host.isEmpty() ? login(password) : CSshLogin{host, port, QStringLiteral("x"), password, 2}).text;
        QVERIFY2(QRegularExpression(expected.replace(QLatin1Char('@'), QString::number(port))).match(text).hasMatch(), qPrintable(text));
    }

    // Closing while the server keeps the connect waiting returns at once.
    void closingDoesNotWaitForTheServer()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QElapsedTimer clock;
        {
            CSshSession session;
            session.open({QStringLiteral("127.0.0.1"), silent.serverPort(), QStringLiteral("x"), QString(), 5});
            QTest::qWait(200);
            clock.start();
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        // The worker ends by itself once the connect has timed out, without touching the session.
        QTest::qWait(6000);
    }

    void lineOf_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hashed");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("expected");
        const QByteArray &key = otherKey;
        QTest::addRow("plain, port 22") << "# mine\n\nother" + key + "a.example,h.example" + key << false << 22 << 4;
        QTest::addRow("bracketed port") << "h.example" + key + "[h.example]:2222" + key << false << 2222 << 2;
        QTest::addRow("port 22 entry is not another port's") << "h.example" + key << false << 2222 << 0;
        QTest::addRow("marker before the host") << "@cert-authority h.example" + key << false << 22 << 1;
        QTest::addRow("hashed by ssh-keygen") << "other" + key + "h.example" + key << true << 22 << 2;
        QTest::addRow("hashed, with port") << "h.example" + key + "[h.example]:2222" + key << true << 2222 << 2;
    }
    void lineOf()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("known_hosts"));
        CTestEnvironment::writeFile(path, content);
        QFETCH(bool, hashed);
        if (hashed) {
            QCOMPARE(CTestAccount::run("ssh-keygen", {"-H", "-f", path}), QString());
            QVERIFY(!CTestEnvironment::readFile(path).contains("h.example"));
        }
        QFETCH(int, port);
        QTEST(CKnownHosts::lineOf(path, QStringLiteral("h.example"), port), "expected");
    }

    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<long>("exitCode");
        QTest::addRow("streams apart, exit status") << "echo out; echo err >&2; exit 3" << QByteArray() << QByteArray("out\n")
                                                    << QByteArray("err\n") << 3L;
        QTest::addRow("killed by a signal") << "echo before; kill -TERM $$" << QByteArray() << QByteArray("before\n")
                                            << QByteArray() << 128L + SIGTERM;
        QTest::addRow("input to its end") << "tr a-z A-Z" << QByteArray("one\ntwo") << QByteArray("ONE\nTWO") << QByteArray() << 0L;
        QTest::addRow("3 MB, no byte lost") << "head -c 3000000 /dev/zero | tr '\\0' x" << QByteArray()
                                            << QByteArray(3000000, 'x') << QByteArray() << 0L;
    }
    void commands()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, input);
        auto session = openedSession();
        QVERIFY(session);
        CCollector sink;
        session->setSink(&sink);
        session->openCommand(command);
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        session->setInputFd(fds[0]);
        QCOMPARE(::write(fds[1], input.constData(), size_t(input.size())), ssize_t(input.size()));
        ::close(fds[1]);
        QVERIFY(QTest::qWaitFor([&] { return sink.done.load(); }, 30000));
        QTEST(sink.text(CSshChannelSink::Output), "output");
        QTEST(sink.text(CSshChannelSink::Errors), "errors");
        QTEST(sink.exitCode.load(), "exitCode");
    }

    // Kill ends the command at once and the run's pipes keep what it wrote before.
    void remoteProcessKill()
    {
        auto session = openedSession();
        QVERIFY(session);
        CPipe in, out, err;
        QVERIFY(in.CreatePipeEnds() && out.CreatePipeEnds() && err.CreatePipeEnds());
        QElapsedTimer clock;
        clock.start();
        QByteArray got;
        char buffer[4096];
        {
            CRemoteProcess process(*session);
            QVERIFY(process.AttachPipes(&in, &out, &err));
            QSignalSpy opened(session.get(), &CSshSession::channelOpened);
            process.Start(QStringLiteral("echo started; exec sleep 100"));
            QVERIFY(opened.wait(10000));
            process.StartWaiter();
            while (!got.endsWith('\n') && clock.elapsed() < 20000)
                got += QByteArray(buffer, out.Read(buffer, sizeof buffer));
            process.Kill();
            QTRY_VERIFY_WITH_TIMEOUT(process.IsCompleted(), 20000);
            process.JoinWaiter();
            while (!out.AtEnd() && clock.elapsed() < 20000)
                got += QByteArray(buffer, out.Read(buffer, sizeof buffer));
            QCOMPARE(got, QByteArray("started\n"));
            QCOMPARE(process.GetExitCode(), 128L + SIGKILL);
        }
        QVERIFY2(clock.elapsed() < 20000, "the command was not stopped");
    }

    // Folder, interpreter, its parameters and the script's name.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QString>("expected");
        QTest::addRow("every part quoted") << QStringList{"/srv/my dir", "/usr/bin/perl", "-w -I'my lib'", "it's a test.pl"}
                                           << "cd '/srv/my dir' && @ exec /usr/bin/perl -w '-Imy lib' 'it'\\''s a test.pl'";
        QTest::addRow("no folder, no interpreter") << QStringList{"", "", "", "t.pl"} << "@ exec perl t.pl";
        QTest::addRow("substitutions stay text") << QStringList{"$(rm -rf ~)", "perl", "\"-e$HOME\"", "`x`.pl"}
                                                 << "cd '$(rm -rf ~)' && @ exec perl '-e$HOME' '`x`.pl'";
    }
    void commandLines()
    {
        QFETCH(QStringList, parts);
        QFETCH(QString, expected);
        CSettings settings;
        settings.REMOTE_DIRECTORY = parts[0];
        settings.REMOTE_PERL_EXE = parts[1];
        settings.REMOTE_PERL_PRM = parts[2];
        QCOMPARE(CRemoteCommandLine::perlRun(settings, parts[3]), expected.replace(QLatin1Char('@'), CRemoteCommandLine::autoflushPrefix()));
    }
};

QTEST_GUILESS_MAIN(tst_SshSession)
#include "tst_sshsession.moc"
