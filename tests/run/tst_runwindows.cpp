#include "CModalHandler.h"
#include "run/COutputWindow.h"
#include "CRunFixture.h"
#include "run/CScriptInputsDlg.h"
#include "run/CSendInputDlg.h"

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
    explicit CWindowRun(const QString &script)
        : CRunFixture(QStringLiteral("/usr/bin/perl"), {"-e", script})
    {
        process.m_pListener = &window;
        window.m_pProcess = &process;
        window.m_pStdinPipe = &in;
        window.m_pStdoutPipe = &out;
        window.m_pStderrPipe = &err;
    }
    QString text(COutputWindow::Stream s) const { return window.pane(s)->toPlainText(); }
    QString status() const { return window.statusLine()->text(); }
    bool finished() const { return window.isOutputComplete() && !status().isEmpty(); }

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
        const QString line = QString(99, 'e') + '\n';
        QTest::newRow("stderr stops at its limit")
            << R"(my $l = ("e" x 99) . "\n"; print STDERR $l for 1..800; print $l for 1..800;)" << false
            << line.repeated(800) + '|' + line.repeated(800).left(COutputWindow::StderrLimit) + "|0";
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
        run.window.OnClose();
    }

    void everyWayOfClosingKillsALiveChild_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("&Close") << 0;
        QTest::newRow("Esc") << 2;
        QTest::newRow("Enter") << 3;
    }

    void everyWayOfClosingKillsALiveChild()
    {
        QFETCH(int, way);
        CWindowRun run(R"($|=1; print "started\n"; sleep 60;)");
        QVERIFY(run.launch({}, false));
        run.window.show();
        QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("started\n"), kLongWait);
        if (way == 0)
            run.window.findChild<QAction *>("command32992")->trigger();
        else if (way == 2)
            QTest::keyClick(&run.window, Qt::Key_Escape);
        else
            QTest::keyClick(run.window.pane(COutputWindow::StdOut), Qt::Key_Return);
        QVERIFY(!run.window.isVisible() && run.process.IsCompleted());
        QCOMPARE(run.process.GetExitCode(), long(128 + SIGKILL));   // reported as killed, not as success
    }

    void outputGoesAtTheEndWhateverWasClicked()
    {
        CWindowRun run(R"($|=1; print "first line\nsecond line\n"; my $go = <STDIN>; print "third\n";)");
        QVERIFY(run.launch({}, false));
        run.window.show();
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
        QCOMPARE(pane->toPlainText(), QStringLiteral("first line\nsecond line\nthird\n"));
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        run.window.findChild<QAction *>("command33015")->trigger();
        QCOMPARE(text, QStringLiteral("Completed script cannot receive inputs."));
        run.window.OnClose();
    }

    void twentyMegabytesAllShown()
    {
        // 262,144 lines of 80 bytes: 20 MiB.
        CWindowRun run(R"(my $x = "x" x 71; printf "%08d%s\n", $_, $x for 1..262144;)");
        QVERIFY(run.launch({}, false));
        run.window.show();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QTextDocument *doc = run.window.pane(COutputWindow::StdOut)->document();
        QCOMPARE(doc->characterCount() - 1, 262144 * 80);
        QCOMPARE(doc->findBlockByNumber(262143).text(), QStringLiteral("00262144") + QString(71, 'x'));
        run.window.OnClose();
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

};

QTEST_MAIN(TestRunWindows)
#include "tst_runwindows.moc"
