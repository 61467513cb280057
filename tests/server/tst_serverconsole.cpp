#include "CFrameFixture.h"

#include "app/CommandIds.h"
#include "server/CServerCommands.h"
#include "server/CServerConsoleDlg.h"
#include "server/CServerSocket.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

QByteArray b(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

const QByteArray kWillTerminalType = b({255, 251, 24});

// A server of the test's own: greets every connection with a terminal-type
// request and a prompt, and records what the current connection receives.
class CTelnetPeer : public QObject
{
public:
    CTelnetPeer()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *c = m_server.nextPendingConnection();
            clients << c;
            received.clear();
            connect(c, &QTcpSocket::readyRead, this, [this, c] {
                if (c == clients.last())
                    received += c->readAll();
            });
            c->write(b({255, 253, 24}) + "login: ");
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void send(const QByteArray &bytes) { clients.last()->write(bytes); }

    QList<QTcpSocket *> clients;
    QByteArray received;

private:
    QTcpServer m_server;
};

} // namespace

class tst_ServerConsole : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CTelnetPeer> m_peer;
    CServerCommands *m_commands = nullptr;
    CServerConsoleDlg *m_console = nullptr;

    void configure(quint16 port, const QStringList &more = {})
    {
        m_env->writeConfig(QStringList{"SERVER_HOST=127.0.0.1", "SERVER_PORT_NUMBER=" + QString::number(port),
                                       "SERVER_USER=ann", "SERVER_PASS=secret", "REMOTE_DIRECTORY=/srv/cgi",
                                       "REMOTE_PERL_EXE=/usr/bin/perl", "REMOTE_PERL_PRM=-w",
                                       "REMOTE_JAVAC_EXE=javac", "REMOTE_JAVAC_PRM=-g"}
                           + more);
    }
    QString output() const { return m_console->output()->toPlainText(); }
    // Connects and waits for the greeting and for the answer to it.
    bool connectConsole(int connection = 1)
    {
        m_console->OnConnect();
        return QTest::qWaitFor([&] {
            return m_peer->clients.size() == connection && m_peer->received == kWillTerminalType
                && output().endsWith(QStringLiteral("login: "));
        });
    }

private slots:
    void init()
    {
        openFrame(m_env, m_frame);
        m_peer = std::make_unique<CTelnetPeer>();
        configure(m_peer->port());
        m_commands = m_frame->findChild<CServerCommands *>();
        m_console = &m_commands->console();
        m_frame->action(ID_TOOLS_SERVER_ACCESS)->trigger();
        QVERIFY(m_console->isVisible());
    }

    void cleanup()
    {
        m_frame.reset();
        m_peer.reset();
    }

    void loginSendsThreeLinesInOrder()
    {
        QVERIFY(connectConsole());
        m_console->findChild<QAction *>("command33023")->trigger();
        QTRY_COMPARE(m_peer->received, kWillTerminalType + "ann\nsecret\ncd /srv/cgi\n");
    }

    void sends_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("sent");
        QTest::addRow("Send Command") << "1079" << QByteArray("ls -l\n");
        QTest::addRow("Enter in the command box") << "Return" << QByteArray("ls -l\n");
        QTest::addRow("Cancel Request") << "1080" << b({255, 244});
        QTest::addRow("Run Perl") << "command33025" << QByteArray("/usr/bin/perl -w \n");
        QTest::addRow("Run Java Compiler") << "command33026" << QByteArray("javac -g \n");
        QTest::addRow("Run on Server") << "RunOnServer" << QByteArray("/usr/bin/perl test.pl\n");
    }

    void sends()
    {
        QFETCH(QString, control);
        QVERIFY(connectConsole());
        m_console->commandCombo()->setEditText(QStringLiteral("ls -l"));
        if (control == QLatin1String("Return")) {
            QTest::keyClick(m_console->commandCombo()->lineEdit(), Qt::Key_Return);
        } else if (control == QLatin1String("RunOnServer")) {
            const QString script = m_env->path(QStringLiteral("test.pl"));
            CTestEnvironment::writeFile(script, "print 1;\n");
            QVERIFY(m_frame->OpenDocumentFile(script));
            m_console->hide();
            m_frame->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
            QVERIFY(m_console->isVisible());
        } else if (auto *button = m_console->findChild<QPushButton *>(control)) {
            button->click();
        } else {
            m_console->findChild<QAction *>(control)->trigger();
        }
        QFETCH(QByteArray, sent);
        QTRY_COMPARE(m_peer->received, kWillTerminalType + sent);
        QTest::qWait(100);
        QCOMPARE(m_peer->received, kWillTerminalType + sent);
    }

    void sendCommandEmptiesOutputAndListsCommands()
    {
        QVERIFY(connectConsole());
        for (const char *command : {"pwd", "ls", "pwd"}) {
            m_console->commandCombo()->setEditText(QLatin1String(command));
            m_console->findChild<QPushButton *>("1079")->click();
        }
        QTRY_COMPARE(m_peer->received, kWillTerminalType + "pwd\nls\npwd\n");
        QComboBox *combo = m_console->commandCombo();
        QCOMPARE(combo->count(), 3);
        QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2)}),
                 QStringList({"ls", "pwd", "pwd"}));
        QCOMPARE(combo->currentText(), QStringLiteral("pwd"));
        QCOMPARE(output(), QString());
        m_peer->send("/srv/cgi\r\n$ ");
        QTRY_COMPARE(output(), QStringLiteral("/srv/cgi\n$ "));
    }

    // A character split between two reads stays whole; Disconnect adds its line to the transcript.
    void disconnectKeepsTranscript()
    {
        QVERIFY(connectConsole());
        m_peer->send("caf\xc3");
        QTRY_VERIFY(output().endsWith(QStringLiteral("caf")));
        m_peer->send("\xa9\r\n");
        QTRY_VERIFY(output().endsWith(QStringLiteral("café\n")));
        m_console->findChild<QAction *>("command33021")->trigger();
        QCOMPARE(output(), "login: café\n\n" + CServerConsoleDlg::closedText());
        QTRY_COMPARE(m_peer->clients.last()->state(), QAbstractSocket::UnconnectedState);
    }

    void reconnectAfterServerClosed()
    {
        QVERIFY(connectConsole());
        m_peer->send("bye\r\n");
        m_peer->clients.last()->disconnectFromHost();
        QTRY_COMPARE(output(), "login: bye\n\n" + CServerConsoleDlg::closedText());
        QVERIFY(connectConsole(2));
        m_console->RunCommand(QStringLiteral("id"));
        QTRY_COMPARE(m_peer->received, kWillTerminalType + "id\n");
    }

    void refusedConnection()
    {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        configure(closedPort);
        m_console->OnConnect();
        QTRY_VERIFY(output().contains(
            QStringLiteral("Could not connect to 127.0.0.1 port %1 (Connection refused).").arg(closedPort)));
        m_console->RunCommand(QStringLiteral("ls"));
        QVERIFY(output().endsWith(CServerConsoleDlg::notConnectedText(QStringLiteral("\"ls\""))));
    }

    void hiding_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Escape closes the connection") << true;
        QTest::addRow("close box keeps it") << false;
    }

    void hiding()
    {
        QFETCH(bool, escape);
        QVERIFY(connectConsole());
        if (escape)
            QTest::keyClick(m_console, Qt::Key_Escape);
        else
            m_console->close();
        QVERIFY(!m_console->isVisible());
        QCOMPARE(m_console->socket().isConnected(), !escape);
        if (escape)
            QTRY_COMPARE(m_peer->clients.last()->state(), QAbstractSocket::UnconnectedState);
    }

    // Megabytes from the server arrive whole and in order, though reading pauses while the pane catches up.
    void fastOutputArrivesWhole()
    {
        QVERIFY(connectConsole());
        m_console->OnClear();
        QByteArray sent;
        QString shown;
        for (int i = 0; i < 40000; ++i) {
            const QByteArray line = "line " + QByteArray::number(i) + QByteArray(60, '.');
            sent += line + "\r\n";
            shown += QString::fromLatin1(line) + u'\n';
        }
        m_peer->send(sent);
        QTRY_COMPARE_WITH_TIMEOUT(output().size(), shown.size(), 60000);
        QCOMPARE(output(), shown);
    }

    void externalClientGetsHostAndPortAsArguments()
    {
        const QString client = m_env->path(QStringLiteral("client"));
        const QString args = m_env->path(QStringLiteral("args"));
        CTestEnvironment::writeFile(client, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\n");
        QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env->writeConfig({"SERVER_TYPE=telnet", "SERVER_CLIENT_EXEPATH=" + client, "SERVER_HOST=h; touch x",
                            "SERVER_PORT_NUMBER=23"});
        m_console->hide();
        m_frame->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
        QTRY_COMPARE(CTestEnvironment::readFile(args), QByteArray("h; touch x\n23\n"));
        QVERIFY(!m_console->isVisible());
    }

    // The console against the system's telnet server, which runs a prompt-and-echo program of the test's own.
    void realTelnetServer()
    {
        const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
        if (socat.isEmpty() || !QFileInfo::exists(QStringLiteral("/usr/sbin/telnetd")))
            QSKIP("socat or /usr/sbin/telnetd (inetutils-telnetd) is not installed");
        const QString program = m_env->path(QStringLiteral("echoer"));
        CTestEnvironment::writeFile(program, "#!/bin/sh\nprintf 'ready> '\nwhile read -r line; do "
                                             "printf 'echo: %s\\nready> ' \"$line\"; done\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const quint16 port = m_peer->port();
        m_peer.reset();   // its port is free for the telnet server
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(socat, {QStringLiteral("-d"), QStringLiteral("-d"),
                             QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
                             QStringLiteral("EXEC:\"/usr/sbin/telnetd -E %1\"").arg(program)});
        QByteArray log;
        QVERIFY2(QTest::qWaitFor([&] {
                     server.waitForReadyRead(50);
                     log += server.readAll();
                     return log.contains("listening on") || server.state() != QProcess::Running;
                 }) && server.state() == QProcess::Running,
                 ("socat did not start listening: " + log + server.errorString().toUtf8()).constData());
        m_console->OnConnect();
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QStringLiteral("ready> ")), 10000);
        m_console->commandCombo()->setEditText(QStringLiteral("hello"));
        m_console->findChild<QPushButton *>("1079")->click();
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QStringLiteral("echo: hello")), 10000);
        m_console->OnDisconnect();
        server.kill();
        server.waitForFinished();
    }
};

QTEST_MAIN(tst_ServerConsole)
#include "tst_serverconsole.moc"
