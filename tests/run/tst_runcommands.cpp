#include "CRunCommandsFixture.h"
#include "CModalHandler.h"
#include "CProcessProbe.h"

#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "run/COutputWindow.h"
#include "run/CRunCommands.h"
#include "run/CScriptInput.h"
#include "run/CScriptInputsDlg.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {
const QString kExit0 = QStringLiteral("Process completed with exit code 0.");
}

// Run, Compile, Debug and Specify Inputs on a saved script, in both modes.
class TestRunCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fx = std::make_unique<CRunCommandsFixture>(QStringList{"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w",
        "LOCAL_JAVA_EXE=/usr/bin/java", "LOCAL_JAVA_PRM=-Dgreeting=\"hello there\"", "LOCAL_JAVAC_EXE=/usr/bin/javac", "LOCAL_JAVAC_PRM=-nowarn", "RUN_IN_DOS_WINDOW=N"}); }

    void cleanup() { m_fx.reset(); }

    void outcomes_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("expected");   // a pattern for "out|err|status"
        // Reads its input in a BEGIN block, which Compile runs too.
        const QByteArray reader = "BEGIN { binmode STDIN; local $/; my $in = <STDIN>; $in = '' unless defined $in;"
                                  " print \"[$in]\"; }\n";
        QTest::newRow("Run, POST: the saved input, then end of file")
            << int(ID_SCRIPT_RUN) << reader << "POST" << "^\\[line 1\nline 2\\]\\|\\|.* 0\\.$";
        QTest::newRow("Run, GET: end of file at once") << int(ID_SCRIPT_RUN) << reader << "GET" << "^\\[\\]\\|\\|.* 0\\.$";
        QTest::newRow("Run, no method: the saved input, the input left open")
            << int(ID_SCRIPT_RUN) << QByteArray("my $l = <STDIN>; print \"[$l]\";") << "" << "^\\[line 1\n\\]\\|\\|.* 0\\.$";
        QTest::newRow("Compile: the saved input, then end of file")
            << int(ID_SCRIPT_COMPILE) << reader << "GET" << "^\\[line 1\nline 2\\]\\|.*syntax OK\n\\|.* 0\\.$";
        QTest::newRow("Compile: syntax errors in the stderr pane") << int(ID_SCRIPT_COMPILE)
            << QByteArray("print 'a' +;\n") << "GET" << "^\\|.*syntax error at.*\\|.* 255\\.$";
        // The gateway's variables and the user's; a POST body read by its CONTENT_LENGTH.
        const QByteArray cgi = "binmode STDIN; my $b = ''; read(STDIN, $b, $ENV{CONTENT_LENGTH}) if $ENV{CONTENT_LENGTH};\n"
            "print join(',', map { $ENV{$_} // '-' } qw(REQUEST_METHOD CONTENT_LENGTH CONTENT_TYPE QUERY_STRING"
            " GATEWAY_INTERFACE SERVER_NAME SCRIPT_NAME TERM X_USER)), \",[$b]\";\nprint STDERR $ENV{SCRIPT_FILENAME} // '-';\n";
        QTest::newRow("CGI POST") << int(ID_SCRIPT_RUN) << cgi << "POST" << "^POST,13,application/x-www-form-urlencoded,-,"
            "CGI/1.1,example\\.org,/s\\.pl,dumb,u,\\[line 1\nline 2\\]\\|/.*/s\\.pl\\|.* 0\\.$";
        QTest::newRow("CGI, no method") << int(ID_SCRIPT_RUN) << cgi << "" << "^-,-,-,-,-,-,-,dumb,-,\\[\\]\\|-\\|.* 0\\.$";
    }

    void outcomes()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, script);
        QFETCH(QString, method);
        QFETCH(QString, expected);
        m_fx->openScript("s.pl", script);
        CScriptInput &in = m_fx->commands->scriptInput();
        in.setInput("line 1\nline 2");
        in.setRequestMethod(method);
        in.m_strCgiNames[0] = "X_USER";
        in.m_strCgiValues[0] = "u";
        in.m_strCgiNames[2] = "SERVER_NAME";   // overrides the simulation's own
        in.m_strCgiValues[2] = "example.org";
        in.m_nCgiCount = 3;
        const QString outcome = trigger(command);
        QVERIFY2(QRegularExpression(expected, QRegularExpression::DotMatchesEverythingOption).match(outcome).hasMatch(),
                 qPrintable(outcome));
    }

    void javaClassCompilesAndRuns()
    {
        m_fx->openScript("Hello.java",
                    "public class Hello { public static void main(String[] a) {\n"
                    "  System.out.println(System.getProperty(\"greeting\") + \" from Hello\");\n"
                    "  System.err.println(\"args \" + a.length); } }\n",
                    "java src");
        QVERIFY(trigger(ID_SCRIPT_COMPILE).endsWith(kExit0));
        QCOMPARE(trigger(ID_SCRIPT_RUN), "hello there from Hello\n|args 0\n|" + kExit0);
    }

    // Runs in its own folder, the path one argument that no shell sees.
    void scriptRunsAsItselfInItsFolder()
    {
        const QString folder = "a folder with  blanks";
        const QString name = "x;touch INJECTED;'$(touch INJECTED2)`touch INJECTED3` & |.pl";
        const QString path = m_fx->openScript(name, "use Cwd; print getcwd(), \"\\n$0\\n\", scalar(@ARGV), \"\\n\";"
                                               " print STDERR \"to stderr\\n\"; exit 3;\n", folder);
        QCOMPARE(trigger(ID_SCRIPT_RUN), m_fx->env.path(folder) + "\n" + path + "\n0\n|to stderr\n|"
                                         "Process completed with exit code 3.");
        QCOMPARE(trigger(ID_SCRIPT_COMPILE), "|" + path + " syntax OK\n|" + kExit0);
        QCOMPARE(QDir(m_fx->env.path(folder)).entryList(QDir::Files), QStringList{name});
        QVERIFY(!QFile::exists(m_fx->env.path("INJECTED")) && m_fx->messages.isEmpty());
    }

    void missingProgram_data()
    {
        QTest::addColumn<bool>("console");
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("run") << false << int(ID_SCRIPT_RUN) << QStringList{"Could not run /nonexistent/perl @"};
        QTest::newRow("debug") << false << int(ID_SCRIPT_DEBUG)
                               << QStringList{"Could not start debugging : /nonexistent/perl -d @"};
        QTest::newRow("console without korbu") << true << int(ID_SCRIPT_RUN)
                                               << QStringList{"Could not run korbu Halden+Ostrak+ /usr/bin/perl -w -T @"};
    }

    void missingProgram()
    {
        QFETCH(bool, console);
        QFETCH(int, command);
        QFETCH(QStringList, messages);
        m_fx->env.writeConfig(console ? QStringList{"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w -T", "RUN_IN_DOS_WINDOW=Y"}
                                      : QStringList{"LOCAL_PERL_EXE=/nonexistent/perl", "RUN_IN_DOS_WINDOW=N"});
        m_fx->commands->setLauncherPath(m_fx->env.path("no such korbu"));
        const QString path = m_fx->openScript("any.pl", "print 1;\n");
        QCOMPARE(trigger(command), QString());
        QCOMPARE(m_fx->messages, messages.replaceInStrings("@", path));
    }

    void emptyProgramSetting_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("onPath");
        QTest::addColumn<QString>("expected");   // the outcome's end, or the message
        const QString where = u"\nSet it in Tools > Options, page \"%1\"."_s;
        QTest::newRow("perl from PATH") << "a.pl" << int(ID_SCRIPT_RUN) << true << kExit0;
        QTest::newRow("javac from PATH") << "A.java" << int(ID_SCRIPT_COMPILE) << true << kExit0;
        QTest::newRow("no perl") << "a.pl" << int(ID_SCRIPT_COMPILE) << false
                                 << "LOCAL_PERL_EXE is empty and no perl was found on PATH." + where.arg("Perl");
        QTest::newRow("no java") << "A.java" << int(ID_SCRIPT_RUN) << false
                                 << "LOCAL_JAVA_EXE is empty and no java was found on PATH." + where.arg("Java Interpreter");
    }

    // A fresh install names no programs: those on PATH run, or the user learns what to set.
    void emptyProgramSetting()
    {
        QFETCH(QString, script);
        QFETCH(int, command);
        QFETCH(bool, onPath);
        m_fx->env.writeConfig({"LOCAL_PERL_EXE=", "LOCAL_JAVA_EXE=", "LOCAL_JAVAC_EXE=", "LOCAL_JAVA_PRM=", "LOCAL_JAVAC_PRM="});
        m_fx->openScript(script, script.endsWith(".java") ? "public class A { public static void main(String[] a) {} }\n"
                                                          : "print 1;\n");
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        if (!onPath)
            qputenv("PATH", m_fx->env.path("none").toUtf8());
        const QString outcome = trigger(command);
        QTEST(onPath ? outcome.right(kExit0.size()) : m_fx->messages.join('|'), "expected");
    }

    // A nameless script whose Save is cancelled runs nothing.
    void cancelledSaveRunsNothing()
    {
        handleNextModal([](QWidget *w) { QVERIFY(qobject_cast<QFileDialog *>(w)); w->close(); });
        QCOMPARE(trigger(ID_SCRIPT_RUN), QString());
        QVERIFY(m_fx->messages.isEmpty() && m_fx->frame->document()->pathName().isEmpty());
    }

    // The values typed into Specify Inputs go to the run; View Inputs shows the input text only.
    void specifyInputsKeepsValuesForTheRun()
    {
        m_fx->openScript("post.pl", "local $/; print '[', <STDIN>, ']';\n");
        handleNextModal([](QWidget *dialog) {
            QTest::keyClicks(dialog->findChild<QPlainTextEdit *>("1037"), "typed input");
            QTest::keyClicks(dialog->findChild<QWidget *>("1064")->findChild<QLineEdit *>(), "post ");
            dialog->findChild<QPushButton *>("1")->click();
        });
        m_fx->frame->action(ID_SCRIPT_SPECIFY_INPUTS)->trigger();
        QString viewed;
        QCOMPARE(trigger(ID_SCRIPT_RUN, [&](COutputWindow *w) {
            viewed = w->inputsViewer().values().input() + "|" + w->inputsViewer().values().requestMethod();
        }), "[typed input]||" + kExit0);
        QCOMPARE(viewed, QStringLiteral("typed input|"));
    }

    void consoleModeRunsKorbuWithArguments_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("tail");
        QTest::newRow("run") << int(ID_SCRIPT_RUN) << QStringList{"/usr/bin/perl", "-w", "@"};
        QTest::newRow("debug") << int(ID_SCRIPT_DEBUG) << QStringList{"/usr/bin/perl", "-d", "@"};
    }

    // A terminal stand-in records its folder and arguments, then runs what it was given with a user's keys.
    void consoleModeRunsKorbuWithArguments()
    {
        QFETCH(int, command);
        QFETCH(QStringList, tail);
        if (command == ID_SCRIPT_DEBUG && QFile("/dev/tty").open(QIODevice::ReadWrite))
            QSKIP("the debugger talks to the controlling terminal when there is one");
        m_fx->env.writeConfig({"LOCAL_PERL_EXE=/usr/bin/perl", "LOCAL_PERL_PRM=-w", "RUN_IN_DOS_WINDOW=Y"});
        const QString korbu = QStringLiteral(OSTRAK_BIN_DIR "/korbu");
        m_fx->commands->setLauncherPath(korbu);
        const QString record = m_fx->env.path("terminal.txt");
        const QString terminal = m_fx->env.path("fake terminal");
        CTestEnvironment::writeFile(terminal, "#!/bin/sh\nprintf '%s\\n' \"$(pwd)\" \"$@\" > \"$RECORD\"\nshift\n"
                                              "printf 'c\\nq\\n\\n' | \"$@\" > \"$RECORD.out\" 2>&1\n");
        QFile::setPermissions(terminal, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TERMINAL", QFile::encodeName("\"" + terminal + "\""));
        qputenv("RECORD", QFile::encodeName(record));
        const QString path = m_fx->openScript("con $(x).pl", "print \"in console\\n\";\n", "console dir");
        QCOMPARE(trigger(command), QString());
        qunsetenv("TERMINAL");
        const QStringList lines = QString::fromUtf8(CTestEnvironment::readFile(record)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, QStringList({m_fx->env.path("console dir"), "-e", korbu, "Halden+Ostrak+"})
                            + tail.replaceInStrings("@", path));
        const QString shown = QString::fromUtf8(CTestEnvironment::readFile(record + ".out"));
        QVERIFY2(shown.contains("in console") && shown.contains("Press Enter to close"), qPrintable(shown));
        QVERIFY2(m_fx->messages.isEmpty(), qPrintable(m_fx->messages.join('|')));
    }

    void manyRunsLeaveNoZombieAndNoDescriptor()
    {
        m_fx->openScript("quick.pl", "print \"o\\n\"; print STDERR \"e\\n\";\n");
        trigger(ID_SCRIPT_RUN);   // anything created once per program is there now
        const int before = openDescriptorCount();
        int completed = 0;
        for (int i = 0; i < 50; ++i)
            completed += trigger(ID_SCRIPT_RUN) == "o\n|e\n|" + kExit0;
        QCOMPARE(completed, 50);
        QVERIFY(!childStates().contains('Z'));
        QCOMPARE(openDescriptorCount(), before);
    }

    // Real perl and javac output; the link moves the real editor's caret and closes the window of a completed run only.
    void linkGoesToTheLine_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("running");
        QTest::addRow("perl -c, double-click") << int(ID_SCRIPT_COMPILE) << "err (1)+[x].pl"
            << QByteArray("use strict;\nmy $a = 1;\nprint 'a' +;\n") << 3 << false;
        QTest::addRow("javac, double-click") << int(ID_SCRIPT_COMPILE) << "Bad.java"
            << QByteArray("public class Bad {\n  int x = ;\n}\n") << 2 << false;
        QTest::addRow("perl warns and waits, Enter") << int(ID_SCRIPT_RUN) << "w $x.pl"
            << QByteArray("my $x;\nwarn 'careful'; my $in = <STDIN>;\n") << 2 << true;
    }

    void linkGoesToTheLine()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(QByteArray, script);
        QFETCH(int, line);
        QFETCH(bool, running);
        QVERIFY(!m_fx->openScript(name, script, "my scripts").isEmpty());
        bool open = false;
        m_fx->run(command, [&](COutputWindow *w) {
            QPlainTextEdit *pane = w->pane(COutputWindow::StdErr);
            QTextBlock link;
            QVERIFY(QTest::qWaitFor([&] {
                for (link = pane->document()->begin(); link.isValid() && !COutputWindow::linkedLine(link);)
                    link = link.next();
                return link.isValid() && (running || w->isCompletionReported());
            }, 60000));
            QCOMPARE(COutputWindow::linkedLine(link), line);
            if (running) {
                pane->setTextCursor(QTextCursor(link));
                QTest::keyClick(pane, Qt::Key_Return);
            } else {
                QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {},
                                   pane->cursorRect(QTextCursor(link)).center() + QPoint(4, 0));
            }
            open = w->isVisible();
            w->stopAndClose();
        });
        QCOMPARE(open, running);
        COstrakView *view = m_fx->frame->view();
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS),
                 view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line - 1));
        QCOMPARE(view->selectedBytes(), script.split('\n').at(line - 1));
    }

    // The prompt is in the pane before any input is sent; then the answer, the end of input and the other stream.
    void promptShowsBeforeInput()
    {
        QVERIFY(!m_fx->openScript("ask.pl", "print 'Name: '; my $n = <STDIN>; print STDERR \"asked\\n\"; print \"Hi $n\";"
                                            " print defined(<STDIN>) ? 'more' : 'eof';\n").isEmpty());
        const QString o = m_fx->run(ID_SCRIPT_RUN, [](COutputWindow *w) {
            QVERIFY(CRunCommandsFixture::waitFor(w, COutputWindow::StdOut, "Name: ", 10000));
            QVERIFY(w->pane(COutputWindow::StdErr)->toPlainText().isEmpty());
            CRunCommandsFixture::sendLine(w, "Bob");
            QVERIFY(CRunCommandsFixture::waitFor(w, COutputWindow::StdOut, "Hi Bob\n"));
            w->sendInputDlg().eofButton()->click();
        });
        QCOMPARE(o, "Name: Bob\nHi Bob\neof|asked\n|" + kExit0);
    }

    // Every Perl command loads the prompt module, the user's PERL5OPT in force; the largest POST body arrives whole.
    void everyPerlCommandLoadsThePromptModule()
    {
        qputenv("PERL5OPT", "-MData::Dumper");
        const auto unset = qScopeGuard([] { qunsetenv("PERL5OPT"); });
        m_fx->commands->scriptInput().setInput(QString(CScriptInput::MaxInputLength - 1, u'b') + "\n");
        m_fx->commands->scriptInput().setRequestMethod("POST");
        QVERIFY(!m_fx->openScript("flags.pl", "BEGIN { print 'q? '; print length(scalar <STDIN>), ($| ? ' unbuffered' : ''),"
                                              " (defined &Data::Dumper::Dumper ? ' user' : ''), \"\\n\" }\n").isEmpty());
        for (const int command : {ID_SCRIPT_RUN, ID_SCRIPT_COMPILE}) {
            const QString o = m_fx->run(command);
            QCOMPARE(o.section('|', 0, 0), QStringLiteral("q? 4000 unbuffered user\n"));
            QCOMPARE(o.section('|', 2), kExit0);
        }
    }

    // A CGI response with an HTML body can be shown in the browser: the body only.
    void cgiHtmlGoesToTheBrowser()
    {
        m_fx->openScript("page.pl", "print \"Content-Type: text/html\\r\\n\\r\\n<h1>Hi</h1>\\n\";\n");
        QByteArray body;
        trigger(ID_SCRIPT_RUN, [&](COutputWindow *w) {
            connect(w, &COutputWindow::inBrowserRequested, w, [&](const QByteArray &b) { body = b; });
            QVERIFY(QTest::qWaitFor([w] { return w->inBrowserButton()->isVisible(); }, 60000));
            // The browser itself is not started here.
            disconnect(w, &COutputWindow::inBrowserRequested, m_fx->commands, nullptr);
            w->inBrowserButton()->click();
        });
        QCOMPARE(body, QByteArray("<h1>Hi</h1>\n"));
    }

    // Without the module beside the executable, the program's own copy is written into the run's temporary folder,
    // which goes with the run.
    void promptModuleFromInsideTheProgram()
    {
        m_fx->commands->setPromptModuleFolder(m_fx->env.path("no modules here"));
        m_fx->openScript("where.pl", "print $|, ' ', $INC{'OstrakAutoflush.pm'};\n");
        const QString out = trigger(ID_SCRIPT_RUN).section('|', 0, 0);
        QVERIFY2(out.startsWith("1 ") && out.contains("/ostrak-run-") && out.endsWith("/OstrakPerl/OstrakAutoflush.pm"),
                 qPrintable(out));
        QVERIFY(!QFileInfo::exists(out.mid(2)));
    }

private:
    // Triggers the command and returns what its output window showed at the end, as "out|err|status"; empty when no
    // window opened. `inWindow` runs first, inside the window's modal loop.
    QString trigger(int id, const std::function<void(COutputWindow *)> &inWindow = {})
    {
        bool ended = false;
        const QString outcome = m_fx->run(id, inWindow, &ended);
        if (!outcome.isEmpty() && !ended)
            QTest::qFail("the run did not end", __FILE__, __LINE__);
        return outcome;
    }

    std::unique_ptr<CRunCommandsFixture> m_fx;
};

QTEST_MAIN(TestRunCommands)
#include "tst_runcommands.moc"
