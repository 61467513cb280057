#include "CFrameFixture.h"
#include "CTelnetTestServer.h"

#include "app/CommandIds.h"
#include "server/CLoginSequence.h"
#include "server/CServerCommands.h"
#include "server/CServerConsoleDlg.h"
#include "server/CServerSocket.h"
#include "run/CTerminalText.h"

#include <QAction>
#include <QRegularExpression>
#include <QTextCursor>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

const QByteArray kDoTerminalType("\xff\xfd\x18"), kWillTerminalType("\xff\xfb\x18");

// Numbered CR LF lines, at least `bytes` of them.
QByteArray numberedLines(qsizetype bytes)
{
    QByteArray lines;
    for (int i = 0; lines.size() < bytes; ++i)
        lines += "line " + QByteArray::number(i) + QByteArray(60, '.') + "\r\n";
    return lines;
}

// A server of the test's own: greets each connection with a terminal-type
// request and a prompt, and records what the latest connection receives.
struct CTelnetPeer : QTcpServer
{
    QList<QTcpSocket *> clients;
    QByteArray received;
    QByteArray greeting = "login: ";
    CTelnetPeer()
    {
        if (!listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1: %s", qPrintable(errorString()));
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *c = clients.emplace_back(nextPendingConnection());
            received.clear();
            connect(c, &QTcpSocket::readyRead, this, [this, c] { received += c->readAll(); });
            c->write(kDoTerminalType + greeting);
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

    QString output() const { return m_console->output()->toPlainText(); }
    void click(const char *name) { m_console->findChild<QPushButton *>(name)->click(); }
    // Connects and waits for the greeting and for the answer to it.
    bool connectConsole(int connection = 1)
    {
        m_console->OnConnect();
        return QTest::qWaitFor([&] {
            return m_peer->clients.size() == connection && m_peer->received == kWillTerminalType
                && output().endsWith(QString::fromUtf8(m_peer->greeting));
        });
    }

private slots:
    void init()
    {
        m_fx.open();
        m_peer = std::make_unique<CTelnetPeer>();
        m_fx.env->writeConfig({"SERVER_HOST=127.0.0.1", "SERVER_PORT_NUMBER=" + QString::number(m_peer->serverPort()),
                               "SERVER_USER=ann", "SERVER_PASS=secret", "REMOTE_DIRECTORY=/srv/cgi", "REMOTE_PERL_EXE=/usr/bin/perl",
                               "REMOTE_PERL_PRM=-w", "REMOTE_JAVAC_EXE=javac", "REMOTE_JAVAC_PRM=-g"});
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
        QTest::addRow("Enter in the command box") << "Return" << QByteArray("ls -l\n");
        QTest::addRow("Cancel Request") << "1080" << QByteArray("\xff\xf4");
        QTest::addRow("Run Perl") << "command33025" << QByteArray("/usr/bin/perl -w \n");
        QTest::addRow("Run Java Compiler") << "command33026" << QByteArray("javac -g \n");
        QTest::addRow("Run on Server") << "RunOnServer:test.pl" << QByteArray("/usr/bin/perl test.pl\n");
        QTest::addRow("Run on Server, name quoted for the shell")
            << "RunOnServer:it's a $(x).pl" << QByteArray("/usr/bin/perl 'it'\\''s a $(x).pl'\n");
    }

    void sends()
    {
        QFETCH(QString, control);
        QVERIFY(connectConsole());
        m_console->commandCombo()->setEditText(QStringLiteral("ls -l"));
        if (control == QLatin1String("Return")) {
            QTest::keyClick(m_console->commandCombo()->lineEdit(), Qt::Key_Return);
        } else if (control.startsWith(QLatin1String("RunOnServer:"))) {
            const QString script = m_fx.env->path(control.section(QLatin1Char(':'), 1));
            CTestEnvironment::writeFile(script, "print 1;\n");
            QVERIFY(m_fx->OpenDocumentFile(script));
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
        const QByteArray sent = numberedLines(40000 * 70);
        m_peer->clients.last()->write(sent);
        const QString shown = QString::fromLatin1(sent).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QTRY_COMPARE_WITH_TIMEOUT(output().size(), shown.size(), 60000);
        QCOMPARE(output(), shown);
    }

    // A shell's terminal codes: colours shown, modes and titles dropped, CR
    // and erase-line overwrite; focus starts in the command box.
    void terminalCodes()
    {
        QCOMPARE(m_console->focusWidget(), m_console->commandCombo());
        QVERIFY(connectConsole());
        m_console->OnClear();
        m_peer->clients.last()->write("\x1b[?2004h\x1b[01;34mdir\x1b[0m  file\r\n\x1b]0;ann@host\a$ \x1b[?2004l\r\r\n"
                                      "progress 50%\r\x1b[Kdone\a\r\n\x1b[1mbold\x1b[0m$ ");
        QTRY_COMPARE(output(), QStringLiteral("dir  file\n$ \ndone\nbold$ "));
        QTextCursor dir(m_console->output()->document());
        dir.setPosition(1);
        QCOMPARE(dir.charFormat().foreground().color(), CTerminalStyle::paletteColour(4));
        QCOMPARE(dir.charFormat().fontWeight(), int(QFont::Bold));
    }

    // Past its cap the output keeps the latest text, so the prompt shows,
    // and says what it dropped.
    void outputKeepsTheLatestText()
    {
        QVERIFY(connectConsole());
        m_console->OnClear();
        // 2 MiB over the cap: what is not shown stays above 1 MB however the
        // pane's trims and the reader's drops fall (CR LF arrive as one character).
        m_peer->clients.last()->write(numberedLines(CServerConsoleDlg::OutputLimit + 2 * 1024 * 1024) + "final$ ");
        QTRY_VERIFY_WITH_TIMEOUT(output().endsWith(QStringLiteral("\nfinal$ ")), 60000);
        QVERIFY(output().size() <= CServerConsoleDlg::OutputLimit);
        const QString notice = m_console->output()->noticeText();
        QVERIFY2(QRegularExpression("^\u2026 [0-9.]+ MB earlier output not shown$").match(notice).hasMatch(),
                 qPrintable(notice));
    }

    void externalClientGetsHostAndPortAsArguments()
    {
        const QString client = m_fx.env->path(QStringLiteral("client")), args = m_fx.env->path(QStringLiteral("args"));
        CTestEnvironment::writeFile(client, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\n");
        QFile::setPermissions(client, QFile::ReadOwner | QFile::ExeOwner);
        m_fx.env->writeConfig({"SERVER_TYPE=telnet", "SERVER_CLIENT_EXEPATH=" + client, "SERVER_HOST=h; touch x",
                            "SERVER_PORT_NUMBER=23"});
        m_console->hide();
        m_fx->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
        QTRY_COMPARE(CTestEnvironment::readFile(args), QByteArray("h; touch x\n23\n"));
        QVERIFY(!m_console->isVisible());
    }

    // Each line of Login goes out when its prompt has come, or after the
    // wait without one; nothing is sent before that. `steps` alternate: what
    // the server says, then all that it has received by then.
    void loginWaitsForPrompts_data()
    {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QString>("note");
        const QByteArray user("ann\n"), both("ann\nsecret\n"), all("ann\nsecret\ncd /srv/cgi\n");
        QTest::addRow("prompts") << QByteArray("login: ")
                                 << QByteArrayList{"", user, "ann\r\n", user, "Password: ", both,
                                                   "\r\nLast login: today\r\n", both, "\x1b[?2004hann@h:~$ ", all}
                                 << QString();
        QTest::addRow("prompts in any case, split between reads")
            << QByteArray("Username") << QByteArrayList{":", user, "PASS", user, "WORD: ", both, "> ", all} << QString();
        QTest::addRow("any text ending in a colon and a blank, once quiet")
            << QByteArray("Name: ") << QByteArrayList{"", user, "Secret: ", both, "# ", all} << QString();
        QTest::addRow("no prompts: each line after the wait")
            << QByteArray("hello") << QByteArrayList{"", user, "", both, "", all} << QString();
        QTest::addRow("refused: no cd line as a user name")
            << QByteArray("login: ")
            << QByteArrayList{"", user, "Password: ", both, "\r\nLogin incorrect\r\nlogin: ", both}
            << QStringLiteral("The server did not accept the user name or the password.");
    }
    void loginWaitsForPrompts()
    {
        QFETCH(QByteArray, greeting);
        QFETCH(QByteArrayList, steps);
        m_console->login().m_promptWait = 1500;
        m_peer->greeting = greeting;
        QVERIFY(connectConsole());
        m_console->findChild<QAction *>("command33023")->trigger();
        for (int i = 0; i + 1 < steps.size(); i += 2) {
            m_peer->clients.last()->write(steps.at(i));
            QTRY_COMPARE_WITH_TIMEOUT(m_peer->received, kWillTerminalType + steps.at(i + 1), 4000);
            QTest::qWait(CLoginSequence::QuietTime + 300);
            QCOMPARE(m_peer->received, kWillTerminalType + steps.at(i + 1));
        }
        QFETCH(QString, note);
        if (!note.isEmpty())
            QVERIFY(output().endsWith(note));
        QVERIFY(!m_console->login().isRunning() || !note.isEmpty());
        QVERIFY(!output().contains(QLatin1String("secret")));
    }

    // What the user types after a password prompt, or while the server has
    // switched its echo off, is sent but neither shown nor kept in the list.
    void hiddenInput_data()
    {
        QTest::addColumn<QByteArray>("ask");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("hidden");
        QTest::addRow("password prompt") << QByteArray("\r\n[sudo] password for ann: ") << "ann: " << true;
        QTest::addRow("echo switched off") << QByteArray("\xff\xfc\x01PIN \xff\xfb\x01") << "PIN " << true;
        QTest::addRow("echo on again") << QByteArray("\xff\xfc\x01\xff\xfb\x01\xff\xfc\x01$ ") << "$ " << false;
    }
    void hiddenInput()
    {
        QFETCH(QByteArray, ask);
        QFETCH(bool, hidden);
        QVERIFY(connectConsole());
        QLineEdit *edit = m_console->commandCombo()->lineEdit();
        edit->setText(QStringLiteral("ls")); // the last command, left for resending
        m_peer->clients.last()->write(ask);
        QFETCH(QString, shown);
        QTRY_VERIFY(output().endsWith(shown));
        // Hidden input is typed afresh and shown as dots, never onto the last command.
        QCOMPARE(edit->echoMode(), hidden ? QLineEdit::Password : QLineEdit::Normal);
        QCOMPARE(edit->text(), hidden ? QString() : QStringLiteral("ls"));
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("pw 42"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_VERIFY(m_peer->received.endsWith("pw 42\n"));
        QCOMPARE(m_console->commandCombo()->count(), hidden ? 0 : 1);
        QCOMPARE(edit->text(), hidden ? QString() : QStringLiteral("pw 42"));
        m_peer->clients.last()->write("\r\n");
        QTRY_VERIFY(output().endsWith(u'\n'));
        QVERIFY(!output().contains(QLatin1String("pw 42")));
    }

    // The system's telnet server with the real /bin/login: Login answers its
    // prompts, the password never reaches the pane, and Run on Server runs a
    // script whose name holds shell characters as one argument.
    void realLogin_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("right password") << QByteArray(CTelnetTestServer::password) << true;
        QTest::addRow("wrong password") << QByteArray("Wrong-pass-1") << false;
    }
    void realLogin()
    {
        QFETCH(QByteArray, password);
        QFETCH(bool, accepted);
        CTelnetTestServer server;
        START_TELNET_SERVER(server);
        const QString dir = server.home() + QStringLiteral("/cgi");
        const QString name = QStringLiteral("it's a $(touch x).pl");
        server.write(QStringLiteral("cgi/") + name, "print \"ran @{[scalar @ARGV]} $0\\n\";\n");
        CTestEnvironment::writeFile(m_fx.env->path(name), "print 1;\n");
        m_fx.env->writeConfig({"SERVER_HOST=127.0.0.1", "SERVER_PORT_NUMBER=" + QString::number(server.port()),
                               "SERVER_USER=" + QString::fromLatin1(CTelnetTestServer::user),
                               "SERVER_PASS=" + QString::fromLatin1(password), "REMOTE_DIRECTORY=" + dir,
                               "REMOTE_PERL_EXE=/usr/bin/perl"});
        m_console->findChild<QAction *>("command33020")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("login: ")), 10000);
        m_console->findChild<QAction *>("command33023")->trigger();
        if (!accepted) {
            QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("did not accept")), 15000);
            QVERIFY(!output().contains(QLatin1String("Wrong-pass")));
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QLatin1String("cgi$ ")), 20000);
        QVERIFY(!output().contains(QLatin1String(CTelnetTestServer::password)));
        QVERIFY(m_fx->OpenDocumentFile(m_fx.env->path(name)));
        m_fx->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(output().contains(QStringLiteral("ran 0 ") + name), 10000);
        QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/x")));
        m_console->OnDisconnect();
    }

};

QTEST_MAIN(tst_ServerConsole)
#include "tst_serverconsole.moc"
