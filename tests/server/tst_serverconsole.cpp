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

const QByteArray kDoTerminalType("\xff\xfd\x18"), kWillTerminalType("\xff\xfb\x18");

void writeScript(const QString &path, const QByteArray &body)
{
    CTestEnvironment::writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A server of the test's own: greets each connection with a terminal-type
// request and a prompt, and records what the latest connection receives.
struct CTelnetPeer : QTcpServer
{
    QList<QTcpSocket *> clients;
    QByteArray received;
    CTelnetPeer()
    {
        if (!listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1: %s", qPrintable(errorString()));
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *c = clients.emplace_back(nextPendingConnection());
            received.clear();
            connect(c, &QTcpSocket::readyRead, this, [this, c] { received += c->readAll(); });
            c->write(kDoTerminalType + "login: ");
        });
    }
};

} // namespace

class tst_ServerConsole : public QObject
{
    Q_OBJECT

    CFrameFixture m_fx;
    std::unique_ptr<CTelnetPeer> m_peer;
    CServerConsoleDlg *m_console = nullptr;

    void configure(quint16 port)
    {
        m_fx.env->writeConfig({"SERVER_HOST=127.0.0.1", "SERVER_PORT_NUMBER=" + QString::number(port), "SERVER_USER=ann",
                            "SERVER_PASS=secret", "REMOTE_DIRECTORY=/srv/cgi", "REMOTE_PERL_EXE=/usr/bin/perl",
                            "REMOTE_PERL_PRM=-w", "REMOTE_JAVAC_EXE=javac", "REMOTE_JAVAC_PRM=-g"});
    }
    QString output() const { return m_console->output()->toPlainText(); }
    void click(const char *name) { m_console->findChild<QPushButton *>(name)->click(); }
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
        m_fx.open();
        m_peer = std::make_unique<CTelnetPeer>();
        configure(m_peer->serverPort());
        m_console = &m_fx->findChild<CServerCommands *>()->console();
        m_fx->action(ID_TOOLS_SERVER_ACCESS)->trigger();
        QVERIFY(m_console->isVisible());
    }

    void cleanup()
    {
        m_fx.close();
        m_peer.reset();
    }

    void sends_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("sent");
        QTest::addRow("Login, three lines in order") << "command33023" << QByteArray("ann\nsecret\ncd /srv/cgi\n");
        QTest::addRow("Send Command") << "1079" << QByteArray("ls -l\n");
        QTest::addRow("Enter in the command box") << "Return" << QByteArray("ls -l\n");
        QTest::addRow("Cancel Request") << "1080" << QByteArray("\xff\xf4");
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
            CTestEnvironment::writeFile(m_fx.env->path(QStringLiteral("test.pl")), "print 1;\n");
            QVERIFY(m_fx->OpenDocumentFile(m_fx.env->path(QStringLiteral("test.pl"))));
            m_console->hide();
            m_fx->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
            QVERIFY(m_console->isVisible());
        } else if (control.startsWith(QLatin1String("command"))) {
            m_console->findChild<QAction *>(control)->trigger();
        } else {
            click(qPrintable(control));
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
            click("1079");
        }
        QTRY_COMPARE(m_peer->received, kWillTerminalType + "pwd\nls\npwd\n");
        QComboBox *combo = m_console->commandCombo();
        QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2), combo->currentText()}),
                 QStringList({"ls", "pwd", "pwd", "pwd"}));
        QCOMPARE(output(), QString());
        m_peer->clients.last()->write("/srv/cgi\r\n$ ");
        QTRY_COMPARE(output(), QStringLiteral("/srv/cgi\n$ "));
    }

    // The transcript stays, closed by either side; a character split between
    // two reads stays whole; Connect makes a new connection afterwards.
    void closing_data()
    {
        QTest::addColumn<bool>("byServer");
        QTest::addRow("Disconnect") << false;
        QTest::addRow("server closed") << true;
    }

    void closing()
    {
        QFETCH(bool, byServer);
        QVERIFY(connectConsole());
        QTcpSocket *peer = m_peer->clients.last();
        peer->write("caf\xc3");
        QTRY_VERIFY(output().endsWith(QStringLiteral("caf")));
        peer->write("\xa9\r\n");
        if (byServer) {
            peer->disconnectFromHost();
        } else {
            QTRY_VERIFY(output().endsWith(u'\n'));
            m_console->findChild<QAction *>("command33021")->trigger();
        }
        QTRY_COMPARE(output(), "login: café\n\n" + CServerConsoleDlg::closedText());
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(connectConsole(2));
        m_console->RunCommand(QStringLiteral("id"));
        QTRY_COMPARE(m_peer->received, kWillTerminalType + "id\n");
    }

    void refusedConnection()
    {
        const quint16 closedPort = m_peer->serverPort();
        m_peer->close();
        m_console->OnConnect();
        QTRY_VERIFY(output().contains(
            QStringLiteral("Could not connect to 127.0.0.1 port %1 (Connection refused).").arg(closedPort)));
        m_console->RunCommand(QStringLiteral("ls"));
        QVERIFY(output().endsWith(CServerConsoleDlg::notConnectedText(QStringLiteral("\"ls\""))));
    }

    // A port that would wrap to the listening one is refused, not tried.
    void portOutOfRange()
    {
        const long port = m_peer->serverPort() + 65536L;
        m_fx.env->writeConfig({"SERVER_HOST=127.0.0.1", "SERVER_PORT_NUMBER=" + QString::number(port)});
        m_console->OnConnect();
        QVERIFY(output().contains(
            QStringLiteral("Could not connect to 127.0.0.1 port %1 (not a port number: 0 to 65535).").arg(port)));
        QTest::qWait(200);
        QVERIFY(m_peer->clients.empty());
    }

    // The close box only hides the console; Escape also closes the connection.
    void closeBoxKeepsTheConnection()
    {
        QVERIFY(connectConsole());
        m_console->close();
        QVERIFY(!m_console->isVisible() && m_console->socket().isConnected());
        m_console->show();
        QTest::keyClick(m_console, Qt::Key_Escape);
        QVERIFY(!m_console->isVisible() && !m_console->socket().isConnected());
    }

    // Megabytes arrive whole and in order, though reading pauses while the pane catches up.
    void fastOutputArrivesWhole()
    {
        QVERIFY(connectConsole());
        m_console->OnClear();
        QByteArray sent;
        for (int i = 0; i < 40000; ++i)
            sent += "line " + QByteArray::number(i) + QByteArray(60, '.') + "\r\n";
        m_peer->clients.last()->write(sent);
        const QString shown = QString::fromLatin1(sent).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QTRY_COMPARE_WITH_TIMEOUT(output().size(), shown.size(), 60000);
        QCOMPARE(output(), shown);
    }

    void externalClientGetsHostAndPortAsArguments()
    {
        const QString client = m_fx.env->path(QStringLiteral("client")), args = m_fx.env->path(QStringLiteral("args"));
        writeScript(client, "printf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\n");
        m_fx.env->writeConfig({"SERVER_TYPE=telnet", "SERVER_CLIENT_EXEPATH=" + client, "SERVER_HOST=h; touch x",
                            "SERVER_PORT_NUMBER=23"});
        m_console->hide();
        m_fx->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
        QTRY_COMPARE(CTestEnvironment::readFile(args), QByteArray("h; touch x\n23\n"));
        QVERIFY(!m_console->isVisible());
    }

    // The system's telnet server, running a prompt-and-echo program of the test's own.
    void realTelnetServer()
    {
        const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
        if (socat.isEmpty() || !QFileInfo::exists(QStringLiteral("/usr/sbin/telnetd")))
            QSKIP("socat or /usr/sbin/telnetd (inetutils-telnetd) is not installed");
        const QString program = m_fx.env->path(QStringLiteral("echoer"));
        writeScript(program, "printf 'ready> '\nwhile read -r line; do printf 'echo: %s\\nready> ' \"$line\"; done\n");
        const quint16 port = m_peer->serverPort();
        m_peer->close();   // the port is free for the telnet server
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(socat, {"-d", "-d", QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
                             QStringLiteral("EXEC:\"/usr/sbin/telnetd -E %1\"").arg(program)});
        QByteArray log;
        QVERIFY2(QTest::qWaitFor([&] {
                     server.waitForReadyRead(50);
                     return (log += server.readAll()).contains("listening on") || server.state() != QProcess::Running;
                 }) && server.state() == QProcess::Running,
                 ("socat did not start listening: " + log + server.errorString().toUtf8()).constData());
        m_console->OnConnect();
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QStringLiteral("ready> ")), 10000);
        m_console->RunCommand(QStringLiteral("hello"));
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QStringLiteral("echo: hello")), 10000);
        m_console->OnDisconnect();
        server.kill();
        server.waitForFinished();
    }
};

QTEST_MAIN(tst_ServerConsole)
#include "tst_serverconsole.moc"
