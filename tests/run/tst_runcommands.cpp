#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/COutputWindow.h"
#include "run/CRunCommands.h"
#include "run/CScriptInputsDlg.h"
#include "run/CSendInputDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kLongWait = 120000;

struct COutcome
{
    bool shown = false;
    QString out;
    QString err;
    QString status;
};

QString paneText(COutputWindow *w, COutputWindow::Stream s)
{
    return w->pane(s)->toPlainText();
}

bool ended(COutputWindow *w)
{
    return w->isOutputComplete() && !w->statusLine()->text().isEmpty();
}

// Open descriptors of this process.
int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Children of this process that have ended but were never reaped.
int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(::getpid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1() && fields[0] == "Z")
            ++zombies;
    }
    return zombies;
}

} // namespace

class tst_RunCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void runShowsBothStreamsFromTheScriptsFolder();
    void requestMethods_data();
    void requestMethods();
    void emptyMethodTakesLinesUntilEof();
    void scriptReadingNothingDoesNotHoldUpSendInput();
    void compileSyntaxErrorLandsInStderr();
    void compileWritesInputAndEndsIt();
    void javaClassCompilesAndRuns();
    void pathWithBlanksAndMetacharactersRunsAsItself();
    void missingInterpreter_data();
    void missingInterpreter();
    void cancelledSaveRunsNothing();
    void debugShowsNoticeThenDebugger();
    void specifyInputsKeepsValuesForTheRun();
    void consoleModeRunsKorbuWithArguments_data();
    void consoleModeRunsKorbuWithArguments();
    void consoleModeWithoutLauncherSaysCouldNotRun();
    void manyRunsLeaveNoZombieAndNoDescriptor();

private:
    QString writeScript(const QString &name, const QByteArray &body, const QString &folder = QString());
    // Triggers the command; `drive` runs inside the window's modal loop (by
    // default nothing), after which the test waits for the end and closes it.
    COutcome trigger(int id, const std::function<void(COutputWindow *)> &drive = {});

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
    CRunCommands *m_commands = nullptr;
    QStringList m_messages;
    bool m_haveTty = false;
};

void tst_RunCommands::initTestCase()
{
    // As in the editor: a write to a pipe nobody reads fails instead of killing.
    ::signal(SIGPIPE, SIG_IGN);
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    m_haveTty = tty >= 0;
    if (tty >= 0)
        ::close(tty);
}

void tst_RunCommands::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_env->writeConfig({"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w",
                        "LOCAL_JAVA_EXE=/usr/bin/java", "LOCAL_JAVA_PRM=-Dgreeting=\"hello there\"",
                        "LOCAL_JAVAC_EXE=/usr/bin/javac", "LOCAL_JAVAC_PRM=-nowarn", "RUN_IN_DOS_WINDOW=N"});
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_commands = m_frame->view()->findChild<CRunCommands *>();
    QVERIFY(m_commands);
    m_messages.clear();
    m_commands->m_showMessage = [this](const QString &text) { m_messages << text; };
}

void tst_RunCommands::cleanup()
{
    m_frame.reset();
    m_env.reset();
}

QString tst_RunCommands::writeScript(const QString &name, const QByteArray &body, const QString &folder)
{
    const QString dir = folder.isEmpty() ? m_env->programDir() : m_env->path(folder);
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name);
    CTestEnvironment::writeFile(path, body);
    if (!m_frame->OpenDocumentFile(path))
        return QString();
    return path;
}

COutcome tst_RunCommands::trigger(int id, const std::function<void(COutputWindow *)> &drive)
{
    COutcome outcome;
    auto connection = connect(m_commands, &CRunCommands::outputWindowShown, this, [&](COutputWindow *w) {
        outcome.shown = true;
        QTimer::singleShot(0, w, [&, w] {
            QVERIFY(w->isVisible());
            if (drive)
                drive(w);
            const bool closedByDrive = !w->isVisible();
            const bool done = closedByDrive || QTest::qWaitFor([w] { return ended(w); }, kLongWait);
            outcome.out = paneText(w, COutputWindow::StdOut);
            outcome.err = paneText(w, COutputWindow::StdErr);
            outcome.status = w->statusLine()->text();
            if (!closedByDrive)
                w->OnClose();
            QVERIFY2(done, "the run did not end");
        });
    });
    m_frame->action(id)->trigger();
    disconnect(connection);
    return outcome;
}

void tst_RunCommands::runShowsBothStreamsFromTheScriptsFolder()
{
    const QString path = writeScript("both.pl", "use Cwd; print getcwd(), \"\\n\"; print STDERR \"to stderr\\n\"; exit 3;\n",
                                     "work folder");
    const COutcome o = trigger(ID_SCRIPT_RUN);
    QVERIFY(o.shown);
    QCOMPARE(o.out, m_env->path("work folder") + "\n");
    QCOMPARE(o.err, QStringLiteral("to stderr\n"));
    QCOMPARE(o.status, QStringLiteral("Process completed with exit code 3."));
    QVERIFY(m_messages.isEmpty());
}

void tst_RunCommands::requestMethods_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("expected");
    // The script reads everything up to end of file and shows it bracketed.
    QTest::newRow("POST: the saved input exactly, then end of file") << "POST" << "[line 1\nline 2]";
    QTest::newRow("GET: end of file at once") << "GET" << "[]";
}

void tst_RunCommands::requestMethods()
{
    QFETCH(QString, method);
    QFETCH(QString, expected);
    writeScript("cgi.pl", "binmode STDIN; local $/; my $in = <STDIN>; $in = '' unless defined $in; print \"[$in]\";\n");
    m_commands->scriptInput().setInput("line 1\nline 2");
    m_commands->scriptInput().setRequestMethod(method);
    const COutcome o = trigger(ID_SCRIPT_RUN);
    QCOMPARE(o.out, expected);
    QCOMPARE(o.status, QStringLiteral("Process completed with exit code 0."));
}

void tst_RunCommands::emptyMethodTakesLinesUntilEof()
{
    writeScript("lines.pl", "$| = 1; while (my $l = <STDIN>) { print \"got:$l\" } print \"end\\n\";\n");
    m_commands->scriptInput().setInput("saved\n");
    m_commands->scriptInput().setRequestMethod("");
    const COutcome o = trigger(ID_SCRIPT_RUN, [](COutputWindow *w) {
        QVERIFY(QTest::qWaitFor([w] { return paneText(w, COutputWindow::StdOut) == "got:saved\n"; }, kLongWait));
        w->OnSendInput();
        CSendInputDlg &send = w->sendInputDlg();
        QTest::keyClicks(send.lineEdit(), "typed later");
        send.sendButton()->click();
        QVERIFY(QTest::qWaitFor([w] { return paneText(w, COutputWindow::StdOut).contains("typed later"); }, kLongWait));
        QVERIFY(w->statusLine()->text().isEmpty());
        send.eofButton()->click();
    });
    QCOMPARE(o.out, QStringLiteral("got:saved\ngot:typed later\nend\n"));
    QCOMPARE(o.status, QStringLiteral("Process completed with exit code 0."));
}

void tst_RunCommands::scriptReadingNothingDoesNotHoldUpSendInput()
{
    writeScript("deaf.pl", "$| = 1; print \"ready\\n\"; sleep 60;\n");
    int sent = 0;
    QString refreshed;
    const COutcome o = trigger(ID_SCRIPT_RUN, [&](COutputWindow *w) {
        QVERIFY(QTest::qWaitFor([w] { return paneText(w, COutputWindow::StdOut) == "ready\n"; }, kLongWait));
        w->OnSendInput();
        CSendInputDlg &send = w->sendInputDlg();
        // 300 lines of 256 characters: more than 64 KB that nobody reads.
        for (; sent < 300; ++sent) {
            send.lineEdit()->setText(QString(256, QChar(char16_t(u'a' + sent % 26))));
            send.sendButton()->click();
        }
        w->OnRefresh();
        refreshed = w->statusLine()->text();
        w->OnClose();
    });
    QCOMPARE(sent, 300);
    QCOMPARE(refreshed, QStringLiteral("Process is still active."));
    QCOMPARE(o.out, QStringLiteral("ready\n"));
}

void tst_RunCommands::compileSyntaxErrorLandsInStderr()
{
    writeScript("broken.pl", "print 'a' +;\n");
    const COutcome o = trigger(ID_SCRIPT_COMPILE);
    QVERIFY2(o.err.contains("syntax error"), qPrintable(o.err));
    QVERIFY(o.err.contains("broken.pl had compilation errors."));
    QCOMPARE(o.out, QString());
    QCOMPARE(o.status, QStringLiteral("Process completed with exit code 255."));
}

void tst_RunCommands::compileWritesInputAndEndsIt()
{
    // The check runs BEGIN blocks; this one shows what came on standard input.
    writeScript("begin.pl", "BEGIN { local $/; my $in = <STDIN>; print \"[$in]\"; }\n");
    m_commands->scriptInput().setInput("given");
    m_commands->scriptInput().setRequestMethod("GET");
    const COutcome o = trigger(ID_SCRIPT_COMPILE);
    QCOMPARE(o.out, QStringLiteral("[given]"));
    QVERIFY(o.err.contains("syntax OK"));
}

void tst_RunCommands::javaClassCompilesAndRuns()
{
    const QString path = writeScript("Hello.java",
                                     "public class Hello {\n"
                                     "  public static void main(String[] a) {\n"
                                     "    System.out.println(System.getProperty(\"greeting\") + \" from Hello\");\n"
                                     "    System.err.println(\"args \" + a.length);\n"
                                     "  }\n"
                                     "}\n",
                                     "java src");
    const COutcome compiled = trigger(ID_SCRIPT_COMPILE);
    QCOMPARE(compiled.status, QStringLiteral("Process completed with exit code 0."));
    QVERIFY2(QFile::exists(m_env->path("java src/Hello.class")), qPrintable(compiled.err));
    const COutcome ran = trigger(ID_SCRIPT_RUN);
    QCOMPARE(ran.out, QStringLiteral("hello there from Hello\n"));
    QCOMPARE(ran.err, QStringLiteral("args 0\n"));
    QCOMPARE(ran.status, QStringLiteral("Process completed with exit code 0."));
    QVERIFY(!path.isEmpty());
}

void tst_RunCommands::pathWithBlanksAndMetacharactersRunsAsItself()
{
    const QString name = "x;touch INJECTED;'$(touch INJECTED2)`touch INJECTED3` & |.pl";
    const QString path = writeScript(name, "print \"$0\\n\"; print scalar(@ARGV), \"\\n\";\n", "a folder with  blanks");
    QVERIFY(!path.isEmpty());
    const COutcome ran = trigger(ID_SCRIPT_RUN);
    QCOMPARE(ran.out, path + "\n0\n");
    const COutcome checked = trigger(ID_SCRIPT_COMPILE);
    QCOMPARE(checked.err, path + " syntax OK\n");
    const QStringList files = QDir(m_env->path("a folder with  blanks")).entryList(QDir::Files);
    QCOMPARE(files, QStringList{name});
    QVERIFY(!QFile::exists(m_env->path("INJECTED")));
}

void tst_RunCommands::missingInterpreter_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("run") << int(ID_SCRIPT_RUN) << QStringList{"Could not run /nonexistent/perl @"};
    QTest::newRow("compile") << int(ID_SCRIPT_COMPILE) << QStringList{"Could not compile /nonexistent/perl -c @"};
    QTest::newRow("debug") << int(ID_SCRIPT_DEBUG)
                           << QStringList{CRunCommands::debuggerNotice(),
                                          "Could not start debugging : /nonexistent/perl -d @"};
}

void tst_RunCommands::missingInterpreter()
{
    QFETCH(int, command);
    QFETCH(QStringList, messages);
    m_env->writeConfig({"LOCAL_PERL_EXE=/nonexistent/perl", "RUN_IN_DOS_WINDOW=N"});
    const QString path = writeScript("any.pl", "print 1;\n");
    const COutcome o = trigger(command);
    QVERIFY(!o.shown);
    messages.replaceInStrings("@", path);
    QCOMPARE(m_messages, messages);
}

void tst_RunCommands::cancelledSaveRunsNothing()
{
    m_frame->OnFileNew();   // never saved: Save asks for a name
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        QApplication::activeModalWidget()->close();
    });
    const COutcome o = trigger(ID_SCRIPT_RUN);
    QVERIFY(!o.shown);
    QVERIFY(m_messages.isEmpty());
    QVERIFY(m_frame->document()->pathName().isEmpty());
}

void tst_RunCommands::debugShowsNoticeThenDebugger()
{
    writeScript("dbg.pl", "print \"debugged ok\\n\";\n");
    const COutcome o = trigger(ID_SCRIPT_DEBUG, [this](COutputWindow *w) {
        QCOMPARE(m_messages, QStringList{CRunCommands::debuggerNotice()});
        QVERIFY(QTest::qWaitFor([w] { return paneText(w, COutputWindow::StdErr).contains("DB<1>"); }, kLongWait));
        w->OnSendInput();
        CSendInputDlg &send = w->sendInputDlg();
        QTest::keyClicks(send.lineEdit(), "c");
        send.sendButton()->click();
        // The script's own output stays in its buffer until the debugger quits.
        QVERIFY(QTest::qWaitFor([w] { return paneText(w, COutputWindow::StdErr).contains("Debugged program terminated"); }, kLongWait));
        QTest::keyClicks(send.lineEdit(), "q");
        send.sendButton()->click();
    });
    QCOMPARE(o.out, QStringLiteral("debugged ok\n"));
    QCOMPARE(o.status, QStringLiteral("Process completed with exit code 0."));
}

void tst_RunCommands::specifyInputsKeepsValuesForTheRun()
{
    writeScript("post.pl", "local $/; my $in = <STDIN>; print \"[$in]\";\n");
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto *dialog = QApplication::activeModalWidget();
        QTest::keyClicks(dialog->findChild<QPlainTextEdit *>("1037"), "typed input");
        auto *combo = dialog->findChild<QWidget *>("1064");
        QTest::keyClicks(combo->findChild<QLineEdit *>(), "post ");
        dialog->findChild<QPushButton *>("1")->click();
    });
    m_frame->action(ID_SCRIPT_SPECIFY_INPUTS)->trigger();
    QCOMPARE(m_commands->scriptInput().input(), QStringLiteral("typed input"));
    QCOMPARE(m_commands->scriptInput().requestMethod(), QStringLiteral("POST"));
    QString viewed;
    const COutcome o = trigger(ID_SCRIPT_RUN, [&](COutputWindow *w) {
        viewed = w->inputsViewer().values().input() + "|" + w->inputsViewer().values().requestMethod();
    });
    QCOMPARE(o.out, QStringLiteral("[typed input]"));
    // The run's viewer gets the input text only.
    QCOMPARE(viewed, QStringLiteral("typed input|"));
}

void tst_RunCommands::consoleModeRunsKorbuWithArguments_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("run") << int(ID_SCRIPT_RUN) << QStringList{"/usr/bin/perl", "-w", "@"};
    QTest::newRow("debug") << int(ID_SCRIPT_DEBUG) << QStringList{"/usr/bin/perl", "-d", "@"};
}

void tst_RunCommands::consoleModeRunsKorbuWithArguments()
{
    QFETCH(int, command);
    QFETCH(QStringList, tail);
    const QString korbu = QStringLiteral(OSTRAK_BIN_DIR "/korbu");
    if (!QFileInfo(korbu).isExecutable())
        QSKIP("korbu is not built");
    if (command == ID_SCRIPT_DEBUG && m_haveTty)
        QSKIP("the debugger talks to the controlling terminal when there is one");
    m_env->writeConfig({"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w", "RUN_IN_DOS_WINDOW=Y"});
    m_commands->setLauncherPath(korbu);
    // A terminal that records its arguments and its folder, then runs what it was given with Enter as input.
    const QString record = m_env->path("terminal.txt");
    const QString terminal = m_env->path("fake terminal");
    CTestEnvironment::writeFile(terminal, "#!/bin/sh\n"
                                          "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$RECORD\"\n"
                                          "shift\n"
                                          "printf 'c\\nq\\n\\n' | \"$@\" > \"$RECORD.out\" 2>&1\n");
    QFile::setPermissions(terminal, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TERMINAL", QFile::encodeName("\"" + terminal + "\""));
    qputenv("RECORD", QFile::encodeName(record));
    const QString path = writeScript("con $(x).pl", "print \"in console\\n\";\n", "console dir");
    const COutcome o = trigger(command);
    qunsetenv("TERMINAL");
    QVERIFY(!o.shown);
    const QStringList lines = QString::fromUtf8(CTestEnvironment::readFile(record)).split('\n', Qt::SkipEmptyParts);
    tail.replaceInStrings("@", path);
    QCOMPARE(lines, QStringList({m_env->path("console dir"), "-e", korbu, "Halden+Ostrak+"}) + tail);
    const QString shown = QString::fromUtf8(CTestEnvironment::readFile(record + ".out"));
    QVERIFY2(shown.contains("in console"), qPrintable(shown));
    QVERIFY2(shown.contains("Press Enter to close"), qPrintable(shown));
    QCOMPARE(m_messages.isEmpty(), command == ID_SCRIPT_RUN);
}

void tst_RunCommands::consoleModeWithoutLauncherSaysCouldNotRun()
{
    m_env->writeConfig({"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w -T", "RUN_IN_DOS_WINDOW=Y"});
    m_commands->setLauncherPath(m_env->path("no such korbu"));
    const QString path = writeScript("c.pl", "1;\n");
    trigger(ID_SCRIPT_RUN);
    QCOMPARE(m_messages, QStringList{"Could not run korbu Halden+Ostrak+ /usr/bin/perl -w -T " + path});
}

void tst_RunCommands::manyRunsLeaveNoZombieAndNoDescriptor()
{
    writeScript("quick.pl", "print \"o\\n\"; print STDERR \"e\\n\";\n");
    trigger(ID_SCRIPT_RUN);   // anything created once per program is there now
    const int before = openDescriptors();
    int completed = 0;
    for (int i = 0; i < 200; ++i) {
        const COutcome o = trigger(ID_SCRIPT_RUN);
        if (o.out == "o\n" && o.err == "e\n" && o.status == "Process completed with exit code 0.")
            ++completed;
    }
    QCOMPARE(completed, 200);
    QCOMPARE(zombieChildren(), 0);
    QCOMPARE(openDescriptors(), before);
}

QTEST_MAIN(tst_RunCommands)
#include "tst_runcommands.moc"
