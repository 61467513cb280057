#include "CModalHandler.h"
#include "CTestEnvironment.h"
#include "run/COutputWindow.h"
#include "CRunFixture.h"
#include "run/CCgiParametersDlg.h"
#include "run/CScriptInputsDlg.h"
#include "run/CSendInputDlg.h"
#include "run/CTerminalPane.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <functional>
#include <memory>

#include <unistd.h>

namespace {

constexpr int kLongWait = 120000;

// A local run in its output window, as the run commands show it.
struct CWindowRun : CRunFixture
{
    explicit CWindowRun(const QString &script, const QStringList &arguments = {})
        : CRunFixture(QStringLiteral("/usr/bin/perl"), QStringList{"-e", script} + arguments)
    {
        process.m_pListener = &window;
        window.m_pProcess = &process;
        window.m_pStdinPipe = &in;
        window.m_pStdoutPipe = &out;
        window.m_pStderrPipe = &err;
    }
    // Launched, then shown, as the run commands do it.
    bool start() { const bool launched = launch({}, false); window.show(); return launched; }
    QString text(COutputWindow::Stream s) const { return window.pane(s)->toPlainText(); }
    QString status() const { return window.statusLine()->text(); }
    bool finished() const { return window.isOutputComplete() && window.isCompletionReported(); }

    COutputWindow window;
};

// Runs `steps` inside the dialog's modal loop and returns the dialog's result.
int execWith(QDialog &dialog, const std::function<void()> &steps)
{
    QTimer::singleShot(0, &dialog, [&dialog, steps] {
        steps();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

} // namespace

// The output window of a local run and the input dialogs around it.
class TestRunWindows : public QObject
{
    Q_OBJECT

private slots:
    // As in the editor: a write to a pipe nobody reads fails instead of killing.
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    void panesAndStatus_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("endedBeforeShown");
        QTest::addColumn<QString>("expected");   // standard output | standard error | exit code
        QTest::newRow("both streams, exit 3")
            << R"($|=1; print "out 1\n"; print STDERR "err 1\n"; print "out 2\n"; print STDERR "err 2\n"; exit 3)"
            << false << "out 1\nout 2\n|err 1\nerr 2\n|3";
        QTest::newRow("killed") << R"($|=1; print "x\n"; kill 'KILL', $$)" << false << "x\n||137";
        // Colours, a progress line overwritten by CR, a title and bracketed-paste modes.
        QTest::newRow("terminal codes") << "print \"\\e[31mred\\e[0m\\n10%\\r\\e[Kdone\\n\\e]0;t\\a\\e[?2004h\\$ \";" << false
                                        << "red\ndone\n$ ||0";
        // Reported and closed while its child still holds both pipes open.
        QTest::newRow("forked child keeps the pipes") << "exit 4 if fork; sleep 30" << false << "||4";
        QTest::newRow("ended before the window was shown")
            << R"(print "said before\n"; print STDERR "and this\n"; exit 6;)" << true << "said before\n|and this\n|6";
    }

    void panesAndStatus()
    {
        QFETCH(QString, script);
        QFETCH(bool, endedBeforeShown);
        QFETCH(QString, expected);
        CWindowRun run(script);
        QVERIFY(run.launch({}, false));
        if (endedBeforeShown) {
            // The waiter gives up waiting for the window before it is shown.
            run.process.JoinWaiter();
            QVERIFY(run.process.IsCompleted());
        }
        run.window.show();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QCOMPARE(run.text(COutputWindow::StdOut) + '|' + run.text(COutputWindow::StdErr) + '|' + run.status(),
                 expected.section('|', 0, 1) + "|Process completed with exit code " + expected.section('|', 2) + '.');
        // Once the script has ended, Enter closes as always.
        QTest::keyClick(run.window.pane(COutputWindow::StdOut), Qt::Key_Return);
        QVERIFY(!run.window.isVisible());
    }

    void closingWhileRunning_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("closes");
        QTest::newRow("&Close, Yes") << "&Close Yes" << true;
        QTest::newRow("&Close, No is the default") << "&Close Return" << false;
        QTest::newRow("close box, Yes") << "box Yes" << true;
        QTest::newRow("Esc never closes") << "Esc" << false;
        QTest::newRow("Enter never closes") << "Enter" << false;
    }

    // Closing a running script asks first; Enter and Escape go to its input.
    void closingWhileRunning()
    {
        QFETCH(QString, way);
        QFETCH(bool, closes);
        CWindowRun run(R"($|=1; print "started\n"; sleep 60;)");
        QVERIFY(run.start());
        QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("started\n"), kLongWait);
        QString question;
        handleNextModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            question = box->text();
            if (way.endsWith("Yes"))
                box->button(QMessageBox::Yes)->click();
            else
                QTest::keyClick(box, Qt::Key_Return);
        }, 2000, {}, &run.window);
        if (way.startsWith("&Close"))
            run.window.findChild<QAction *>("command32992")->trigger();
        else if (way == "box Yes")
            run.window.close();
        else
            QTest::keyClick(run.window.pane(COutputWindow::StdOut), way == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
        QCOMPARE(question, way.contains(' ') ? COutputWindow::stillRunningQuestion() : QString());
        QCOMPARE(run.window.isVisible(), !closes);
        QCOMPARE(run.process.IsCompleted(), closes);
        if (closes)
            QCOMPARE(run.process.GetExitCode(), long(128 + SIGKILL));   // reported as killed, not as success
        run.window.stopAndClose();
    }

    // The answer to a prompt is typed into the output pane; the transcript
    // keeps it, in the input colour; a pasted line break sends a line;
    // Ctrl+D sends what is left and ends the input.
    void typingIntoTheOutputPane()
    {
        CWindowRun run(R"($|=1; print "Name: "; my $n = <STDIN>; print "got [$n]"; print STDERR "err\n";)"
                       R"( my @r = <STDIN>; print "more [@r]";)");
        QVERIFY(run.start());
        CTerminalPane *pane = run.window.pane(COutputWindow::StdOut);
        QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("Name: "), kLongWait);
        QCOMPARE(run.window.focusWidget(), pane);
        QTest::keyClicks(pane, "Bx");
        QTest::keyClick(pane, Qt::Key_Backspace);
        QTest::keyClicks(pane, "ob");
        QCOMPARE(run.text(COutputWindow::StdOut), QStringLiteral("Name: Bob"));
        QTest::keyClick(pane, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("Name: Bob\ngot [Bob\n]"), kLongWait);
        QVERIFY(run.window.isVisible());
        QTextCursor typed(pane->document());
        typed.setPosition(7);
        QCOMPARE(typed.charFormat().foreground().color(), pane->inputColour());
        QApplication::clipboard()->setText("tail\nre");
        QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(pane, Qt::Key_D, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QCOMPARE(run.text(COutputWindow::StdOut), QStringLiteral("Name: Bob\ngot [Bob\n]tail\nremore [tail\n re]"));
        QCOMPARE(run.text(COutputWindow::StdErr), QStringLiteral("err\n"));
        QTest::keyClicks(pane, "late");
        QVERIFY(!pane->toPlainText().contains("late"));
        run.window.stopAndClose();
    }
    void outputGoesAtTheEndWhateverWasClicked()
    {
        CWindowRun run(R"($|=1; print "first line\nsecond line\n"; my $go = <STDIN>; print "third\n";)");
        QVERIFY(run.start());
        QPlainTextEdit *pane = run.window.pane(COutputWindow::StdOut);
        QTRY_COMPARE_WITH_TIMEOUT(pane->toPlainText(), QStringLiteral("first line\nsecond line\n"), kLongWait);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTextCursor c = pane->textCursor();
        c.setPosition(0);
        c.setPosition(5, QTextCursor::KeepAnchor);
        pane->setTextCursor(c);
        run.window.findChild<QAction *>("command33014")->trigger();   // Refresh
        QCOMPARE(run.status(), QStringLiteral("Process is still active."));
        run.window.findChild<QAction *>("command33015")->trigger();   // Send Input
        run.window.sendInputDlg().lineEdit()->setText("go");
        run.window.sendInputDlg().sendButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        // The line sent is in the transcript where the script was when it came.
        QCOMPARE(pane->toPlainText(), QStringLiteral("first line\nsecond line\ngo\nthird\n"));
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        run.window.findChild<QAction *>("command33015")->trigger();
        QCOMPARE(text, QStringLiteral("Completed script cannot receive inputs."));
        run.window.OnClose();
    }

    // Output far beyond the panes' bound: each keeps its latest text, says
    // what it does not show, and Save Output writes every byte: NULs,
    // invalid UTF-8, a long line without a line feed at the end.
    void boundedPanesSaveEveryByte()
    {
        QByteArray data;
        for (int i = 0; data.size() < 3 * 1024 * 1024; ++i)
            data += "line " + QByteArray::number(i) + QByteArray("\0\xff\xc3(\r\n", 6);
        data += QByteArray(2 * 1024 * 1024 + 7, 'z') + "\xe2\x82";
        CTestEnvironment env;
        const QString input = env.path("data.bin");
        CTestEnvironment::writeFile(input, data);
        CWindowRun run(R"(open my $f, '<:raw', $ARGV[0] or die; binmode STDOUT; local $/ = \4096;)"
                       R"( while (<$f>) { print; print STDERR "warning $.\n" } die "the end\n";)",
                       {input});
        run.window.setPaneLimit(COutputWindow::StdOut, 512 * 1024);
        run.window.setPaneLimit(COutputWindow::StdErr, 4 * 1024);
        QVERIFY(run.start());
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        CTerminalPane *out = run.window.pane(COutputWindow::StdOut);
        CTerminalPane *err = run.window.pane(COutputWindow::StdErr);
        QVERIFY(out->document()->characterCount() <= 512 * 1024 + 1);
        // The long line wraps as a terminal wraps it; the cut character at the end shows as replacements.
        QVERIFY(run.text(COutputWindow::StdOut).endsWith(QString(16384, 'z') + "\n" + QString(7, 'z')
                                                         + QString::fromUtf8("\xe2\x82")));
        QVERIFY(run.text(COutputWindow::StdErr).endsWith("the end\n"));
        QVERIFY2(out->noticeText().contains(QRegularExpression("^\u2026 [0-9.]+ MB earlier output not shown; "
                                                                        "Options > Save Output saves all of it$")),
                 qPrintable(out->noticeText()));
        QVERIFY(err->noticeText().contains("Options > Save Errors saves all of it"));
        // Through the menu and the file dialog, as the user saves.
        const QString saved = env.path("saved output.bin");
        handleNextModal([&](QWidget *w) {
            chooseInFileDialog(qobject_cast<QFileDialog *>(w), saved);
        });
        run.window.findChild<QAction *>("command33050")->trigger();
        QCOMPARE(CTestEnvironment::readFile(saved), data);
        const QString errors = env.path("errors.txt");
        QCOMPARE(run.window.saveStream(COutputWindow::StdErr, errors), QString());
        QVERIFY(CTestEnvironment::readFile(errors).startsWith("warning 1\nwarning 2\n"));
        QVERIFY(CTestEnvironment::readFile(errors).endsWith("the end\n"));
        run.window.stopAndClose();
    }

    // A spill file that cannot be created: the pane says so once and keeps
    // the latest text; Save Output says why it cannot save all of it.
    void unwritableSpillFolder()
    {
        CWindowRun run(R"(print "x" x 99, "\n" for 1..20000; print "last\n")");
        run.window.setSpillFolder("/nonexistent/folder");
        run.window.setPaneLimit(COutputWindow::StdOut, 100 * 1000);
        QVERIFY(run.start());
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QVERIFY(run.text(COutputWindow::StdOut).endsWith(QString(99, 'x') + "\nlast\n"));
        const QString notice = run.window.pane(COutputWindow::StdOut)->noticeText();
        QVERIFY2(notice.contains("output is not kept: could not create a file in /nonexistent/folder")
                     && !notice.contains("Save Output"), qPrintable(notice));
        CTestEnvironment env;
        QVERIFY(run.window.saveStream(COutputWindow::StdOut, env.path("o.txt")).startsWith("the complete output was not kept"));
        QVERIFY(!QFile::exists(env.path("o.txt")));
        run.window.stopAndClose();
    }

    void inputLimitedTo4000()
    {
        CScriptInputsDlg dialog;
        CScriptInput start;
        start.setInput(QString(3990, 'a'));
        dialog.setValues(start);
        QString afterPaste, afterKey;
        execWith(dialog, [&] {
            QPlainTextEdit *edit = dialog.inputEdit();
            edit->moveCursor(QTextCursor::Start);
            QApplication::clipboard()->setText(QString(50, 'b'));
            edit->paste();
            afterPaste = edit->toPlainText();
            QTest::keyClick(edit, Qt::Key_C);
            afterKey = edit->toPlainText();
            dialog.okButton()->click();
        });
        // Only what fits of the paste went in, where it was pasted.
        QCOMPARE(afterPaste, QString(10, 'b') + QString(3990, 'a'));
        QCOMPARE(afterKey, afterPaste);
        QCOMPARE(dialog.values().input(), afterPaste);
    }

    // The CGI button's table keeps its pairs with Save only.
    void cgiParametersTable()
    {
        CScriptInputsDlg dialog;
        CScriptInput start;
        start.setRequestMethod("POST");
        dialog.setValues(start);
        execWith(dialog, [&] {
            handleNextModal([](QWidget *w) {
                auto *table = qobject_cast<CCgiParametersDlg *>(w);
                QCOMPARE(table->table()->rowCount(), CScriptInput::MaxCgiParameters);
                table->table()->item(0, 0)->setText("HTTP_COOKIE");
                table->table()->item(0, 1)->setText("a=1");
                table->table()->item(2, 0)->setText(" REMOTE_ADDR ");
                table->table()->item(2, 1)->setText("10.0.0.1");
                table->accept();
            });
            dialog.cgiButton()->click();
            dialog.okButton()->click();
        });
        const CScriptInput &v = dialog.values();
        QCOMPARE(v.m_nCgiCount, 3);
        QCOMPARE(QStringList({v.m_strCgiNames[0], v.m_strCgiValues[0], v.m_strCgiNames[1], v.m_strCgiNames[2]}),
                 QStringList({"HTTP_COOKIE", "a=1", "", "REMOTE_ADDR"}));
    }
};

QTEST_MAIN(TestRunWindows)
#include "tst_runwindows.moc"
