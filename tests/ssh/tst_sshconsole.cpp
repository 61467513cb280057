#include "../ftp/CSftpTestServer.h"
#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "ftp/CKnownHosts.h"
#include "run/COutputWindow.h"
#include "run/CTerminalPane.h"
#include "run/CTerminalText.h"
#include "server/CRemoteRun.h"
#include "server/CServerCommands.h"
#include "server/CServerConsoleDlg.h"
#include "ssh/CSshConsole.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTest>

namespace {

constexpr int kWait = 20000;
const char *const kFolder = "my dir";

} // namespace

// The console and Run on Server with SERVER_TYPE "ssh", against the
// system's sshd and an account with a shell.
class tst_SshConsole : public QObject
{
    Q_OBJECT

    CSftpTestServer m_server{CSftpTestServer::Shell};
    QTemporaryDir m_home;
    CFrameFixture m_fx;
    CServerConsoleDlg *m_console = nullptr;

    QString output() const { return m_console->output()->toPlainText(); }
    void send(const QString &command)
    {
        m_console->commandCombo()->setEditText(command);
        QTest::keyClick(m_console->commandCombo()->lineEdit(), Qt::Key_Return);
    }
    void trustServer()
    {
        CTestEnvironment::writeFile(CKnownHosts::userFile(), "");
        QCOMPARE(CKnownHosts::add(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), m_server.port(), m_server.hostKey()),
                 QString());
    }
    // Connects and waits for the shell's prompt.
    bool connectConsole()
    {
        m_console->findChild<QAction *>(QStringLiteral("command33020"))->trigger();
        return QTest::qWaitFor([this] { return m_console->sshConsole().isConnected() && output().contains(QLatin1Char('$')); },
                               kWait);
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        START_SFTP_SERVER(m_server);
        QVERIFY(QDir().mkpath(QDir::homePath() + QStringLiteral("/.ssh")));
        QVERIFY(QDir().mkpath(m_server.path(QLatin1String(kFolder))));
        QCOMPARE(CTestAccount::own(CSftpTestServer::shellUser, m_server.root()), QString());
    }

    void init()
    {
        trustServer();
        m_fx.open();
        m_fx.env->writeConfig({"SERVER_TYPE=ssh", "SERVER_HOST=127.0.0.1",
                               "SERVER_PORT_NUMBER=" + QString::number(m_server.port()),
                               QStringLiteral("SERVER_USER=") + CSftpTestServer::shellUser,
                               QStringLiteral("SERVER_PASS=") + CSftpTestServer::password,
                               "REMOTE_DIRECTORY=" + m_server.path(QLatin1String(kFolder)), "REMOTE_PERL_EXE=/usr/bin/perl"});
        m_console = &m_fx->findChild<CServerCommands *>()->console();
        m_fx->action(ID_TOOLS_SERVER_ACCESS)->trigger();
        QVERIFY(m_console->isVisible());
    }

    void cleanup() { m_fx.close(); }

    // An unknown host key is asked about with its fingerprint and a yes records
    // it; a changed one is refused, naming the line to remove, without a question.
    // `shown` is a pattern the output holds.
    void hostKeyAtConnect_data()
    {
        QTest::addColumn<QByteArray>("knownHosts");
        QTest::addColumn<int>("answer");   // 0: no question may come
        QTest::addColumn<int>("recordedLine");
        QTest::addColumn<QString>("shown");
        const QByteArray otherKey = QByteArray::fromBase64("AAAAC3NzaC1lZDI1NTE5AAAAIE1hbnkgdGhpbmdzIGFyZSBub3Qgd2hhdCB0aGV5IHNlZW0");
        QTest::addRow("trusted") << QByteArray() << int(QMessageBox::Yes) << 1 << "\\$";
        QTest::addRow("not trusted") << QByteArray() << int(QMessageBox::No) << 0 << "is not in ";
        QTest::addRow("changed key") << "# keys\n" + CKnownHosts::line(QStringLiteral("127.0.0.1"), m_server.port(), otherKey) << 0 << 2
                                     << QStringLiteral("(?s)\\[127\\.0\\.0\\.1\\]:%1 has changed.*remove line 2 from that file").arg(m_server.port());
    }
    void hostKeyAtConnect()
    {
        QFETCH(QByteArray, knownHosts);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        CTestEnvironment::writeFile(CKnownHosts::userFile(), knownHosts);
        QString question;
        if (answer)
            answerNextMessageBox(QMessageBox::StandardButton(answer), &question);
        m_console->findChild<QAction *>(QStringLiteral("command33020"))->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(output().contains(QRegularExpression(shown)), qPrintable(output()), kWait);
        QCOMPARE(m_console->sshConsole().isConnected(), answer == QMessageBox::Yes);
        QCOMPARE(question.contains(CKnownHosts::fingerprint(m_server.hostKey())), answer != 0);
        QTEST(CKnownHosts::lineOf(CKnownHosts::userFile(), QStringLiteral("127.0.0.1"), m_server.port()), "recordedLine");
    }

    // Commands typed in the console run in a terminal shell whose output is
    // shown as the telnet console shows it: `shown` is looked for at a line start.
    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("colour");   // the palette colour of the shown text; -1: none looked at
        QTest::addRow("256 colours") << "printf 'x\\033[38;5;202mhot-text\\033[0m\\n'" << "xhot-text" << 202;
        QTest::addRow("terminal type") << "echo \"term=$TERM\"" << "term=xterm-256color\\s" << -1;
        QTest::addRow("terminal width from the pane") << "echo cols=$(tput cols)" << "cols=([2-9]\\d|[1-9]\\d\\d+)\\s" << -1;
        QTest::addRow("Login goes to the folder") << "@login pwd" << QRegularExpression::escape(m_server.path(QLatin1String(kFolder))) + "\\s" << -1;
    }
    void commands()
    {
        QFETCH(QString, command);
        QFETCH(QString, shown);
        QVERIFY(connectConsole());
        if (command.startsWith(QLatin1String("@login "))) {
            m_console->findChild<QAction *>(QStringLiteral("command33023"))->trigger();
            command = command.mid(7);
        }
        send(command);
        // The echo of the command holds the text too, so the line that the command printed is looked for.
        QTRY_VERIFY2_WITH_TIMEOUT(output().contains(QRegularExpression("\n" + shown)), qPrintable(output()), kWait);
        QFETCH(int, colour);
        if (colour >= 0) {
            QTextCursor at = m_console->output()->document()->find(shown);
            QVERIFY(!at.isNull());
            at.setPosition(at.selectionStart() + 2);
            QCOMPARE(at.charFormat().foreground().color(), CTerminalStyle::paletteColour(colour));
        }
    }

    void interruptStopsTheCommand()
    {
        QVERIFY(connectConsole());
        send(QStringLiteral("sleep 100"));
        QTest::qWait(500);
        QElapsedTimer clock;
        clock.start();
        m_console->findChild<QPushButton *>(QStringLiteral("1080"))->click();
        send(QStringLiteral("echo status=$?"));
        QTRY_VERIFY2_WITH_TIMEOUT(output().contains(QLatin1String("\nstatus=130")), qPrintable(output()), kWait);
        QVERIFY(clock.elapsed() < 10000);
    }

    void disconnectAndServerEnd_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addRow("Disconnect") << "command33021";
        QTest::addRow("the shell exits") << "exit";
    }
    void disconnectAndServerEnd()
    {
        QFETCH(QString, how);
        QVERIFY(connectConsole());
        if (how == QLatin1String("exit"))
            send(how);
        else
            m_console->findChild<QAction *>(how)->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(output().endsWith(CServerConsoleDlg::closedText()), qPrintable(output()), kWait);
        QVERIFY(!m_console->sshConsole().isConnected());
        send(QStringLiteral("pwd"));
        QTRY_VERIFY(output().contains(CServerConsoleDlg::notConnectedText(QStringLiteral("\"pwd\""))));
    }

private:
    struct CRunSeen
    {
        QString out, err, status;
        int linked = 0;
        bool ended = false;
    };

    // Puts the script on the server and opens it in the editor.
    void placeScript(const QString &name, const QByteArray &script)
    {
        m_server.write(QLatin1String(kFolder) + QLatin1Char('/') + name, script);
        const QString local = m_fx.env->path(name);
        CTestEnvironment::writeFile(local, script);
        QVERIFY(m_fx->OpenDocumentFile(local));
    }

    // Run on Server; `drive` runs in the output window's modal loop, which
    // is then left once the run has ended.
    CRunSeen runRemote(const std::function<void(COutputWindow *)> &drive = {})
    {
        CServerCommands *commands = m_fx->findChild<CServerCommands *>();
        CRemoteRun &remote = commands->remoteRun();
        commands->m_showMessage = [](const QString &text) { qWarning("message: %s", qPrintable(text)); };
        CRunSeen seen;
        auto connection = connect(&remote, &CRemoteRun::outputWindowShown, this, [&](COutputWindow *w) {
            QTimer::singleShot(0, w, [&, w] {
                if (drive)
                    drive(w);
                seen.ended = QTest::qWaitFor([w] { return w->isOutputComplete() && w->isCompletionReported(); }, kWait);
                seen.out = w->pane(COutputWindow::StdOut)->toPlainText();
                seen.err = w->pane(COutputWindow::StdErr)->toPlainText();
                seen.status = w->statusLine()->text();
                for (QTextBlock b = w->pane(COutputWindow::StdErr)->document()->begin(); b.isValid(); b = b.next())
                    seen.linked = std::max(seen.linked, COutputWindow::linkedLine(b));
                if (seen.linked)
                    w->activateLink(seen.linked);
                if (w->isVisible())
                    w->stopAndClose();
            });
        });
        m_fx->action(ID_SCRIPT_RUN_ON_SERVER)->trigger();
        disconnect(connection);
        return seen;
    }

private slots:
    // The script runs on the server in the output window: its prompt shows
    // although its output is no terminal, typed input reaches it, its error
    // line is linked, the remote exit code is shown.
    void runOnServer()
    {
        placeScript(QStringLiteral("it's a test.pl"),
                    "print \"name? \";\nmy $n = <STDIN>;\nprint \"hello $n\";\n"
                    "print STDERR \"to errors\\n\";\ndie \"broken\";\n");
        const CRunSeen seen = runRemote([](COutputWindow *w) {
            CTerminalPane *pane = w->pane(COutputWindow::StdOut);
            if (QTest::qWaitFor([&] { return pane->toPlainText() == QLatin1String("name? "); }, kWait)) {
                QTest::keyClicks(pane, "Bob");
                QTest::keyClick(pane, Qt::Key_Return);
            }
        });
        QVERIFY(seen.ended);
        QCOMPARE(seen.out, QStringLiteral("name? Bob\nhello Bob\n"));
        QCOMPARE(seen.err, QStringLiteral("to errors\nbroken at it's a test.pl line 5, <STDIN> line 1.\n"));
        QCOMPARE(seen.status, COutputWindow::completedText(255));
        QCOMPARE(seen.linked, 5);
        int line = 0, index = 0;
        m_fx->view()->getCursorPosition(&line, &index);
        QCOMPARE(line, 4);
    }

    // A changed script that came from the server: whether to put it back is
    // asked at the first Run on Server only.
    void putBackAskedOncePerSession_data()
    {
        QTest::addColumn<bool>("fromServer");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("questions");
        QTest::addRow("changed, from the server") << true << true << 1;
        QTest::addRow("unchanged") << true << false << 0;
        QTest::addRow("changed, local") << false << true << 0;
    }
    void putBackAskedOncePerSession()
    {
        placeScript(QStringLiteral("t.pl"), "print \"ran\\n\";\n");
        QFETCH(bool, fromServer);
        QFETCH(bool, modified);
        m_fx->document()->m_strRemoteDir = fromServer ? m_server.path(QLatin1String(kFolder)) : QString();
        m_fx->document()->setModified(modified);
        QStringList questions;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                questions << box->text();
                box->button(QMessageBox::No)->click();
            }
        });
        answer.start(20);
        for (int run = 0; run < 2; ++run) {
            const CRunSeen seen = runRemote();
            QVERIFY(seen.ended);
            QCOMPARE(seen.out, QStringLiteral("ran\n"));
        }
        QTEST(int(questions.size()), "questions");
        if (!questions.isEmpty())
            QCOMPARE(questions.first(), CRemoteRun::putBackQuestion());
    }
};

QTEST_MAIN(tst_SshConsole)
#include "tst_sshconsole.moc"
