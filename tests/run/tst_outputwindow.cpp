#include "run/COutputWindow.h"
#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CScriptInputsDlg.h"
#include "run/CSendInputDlg.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <csignal>
#include <memory>

namespace {

constexpr int kLongWait = 120000;

// One local run as the run commands build it, driven without a modal loop.
struct CTestRun
{
    CPipe in;
    CPipe out;
    CPipe err;
    std::unique_ptr<CProcess> process;
    std::unique_ptr<COutputWindow> window;

    bool start(const QString &script)
    {
        in.CreatePipeEnds();
        out.CreatePipeEnds();
        err.CreatePipeEnds();
        process = std::make_unique<CProcess>(QStringLiteral("/usr/bin/perl"), QStringList{"-e", script});
        process->AttachPipes(&in, &out, &err);
        if (!process->Start(0x2C))
            return false;
        window = std::make_unique<COutputWindow>();
        process->m_pListener = window.get();
        window->m_pProcess = process.get();
        window->m_pStdinPipe = &in;
        window->m_pStdoutPipe = &out;
        window->m_pStderrPipe = &err;
        process->Resume();
        process->StartWaiter(100);
        return true;
    }
    QString text(COutputWindow::Stream s) const { return window->pane(s)->toPlainText(); }
    QString status() const { return window->statusLine()->text(); }
    bool finished() const { return window->isOutputComplete() && !status().isEmpty(); }
};

// Answers the next message box with OK and hands back its text and icon.
void acceptNextMessageBox(QString *text, QMessageBox::Icon *icon)
{
    QTimer::singleShot(0, [text, icon] {
        QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        *text = box->text();
        *icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
}

// The state letter of a process in /proc, or 0 when it is gone.
char processState(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const qsizetype paren = stat.lastIndexOf(')');
    return paren > 0 && paren + 2 < stat.size() ? stat.at(paren + 2) : 0;
}

} // namespace

class tst_OutputWindow : public QObject
{
    Q_OBJECT

private slots:
    // As in the editor: a write to a pipe nobody reads fails instead of killing.
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }
    void streamsLandInTheirOwnPanes();
    void exitCodes_data();
    void exitCodes();
    void everyWayOfClosingKillsALiveChild_data();
    void everyWayOfClosingKillsALiveChild();
    void characterSplitAcrossWrites();
    void zeroByteCutsNothing();
    void outputGoesAtTheEndWhateverWasClicked();
    void stderrStopsAtItsLimit();
    void fiftyMegabytesAllShown();
    void childThatReadsNothingDoesNotHoldUpTheWindow();
    void forkedChildKeepingThePipeDoesNotHangClose();
    void forkedChildOfALiveScriptIsKilledByClose();
    void refreshAndSendInputWhileRunning();
    void sendInputAfterTheEndIsRefused();
    void childEndedBeforeTheWindowWasShown();
    void viewInputsShowsTheRunsInputReadOnly();
};

void tst_OutputWindow::streamsLandInTheirOwnPanes()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; print "out 1\n"; print STDERR "err 1\n"; print "out 2\n"; print STDERR "err 2\n";)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.text(COutputWindow::StdOut), QStringLiteral("out 1\nout 2\n"));
    QCOMPARE(run.text(COutputWindow::StdErr), QStringLiteral("err 1\nerr 2\n"));
    QCOMPARE(run.status(), QStringLiteral("Process completed with exit code 0."));
    run.window->OnClose();
    QVERIFY(!run.window->isVisible());
}

void tst_OutputWindow::exitCodes_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("status");
    QTest::newRow("zero") << "exit 0" << "Process completed with exit code 0.";
    QTest::newRow("three") << "exit 3" << "Process completed with exit code 3.";
    QTest::newRow("die") << "die qq(no\\n)" << "Process completed with exit code 255.";
    QTest::newRow("killed by a signal") << "kill 'TERM', $$; sleep 5"
                                        << "Process completed with exit code 143.";
}

void tst_OutputWindow::exitCodes()
{
    QFETCH(QString, script);
    QFETCH(QString, status);
    CTestRun run;
    QVERIFY(run.start(script));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.status(), status);
    run.window->OnClose();
}

void tst_OutputWindow::everyWayOfClosingKillsALiveChild_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("&Close") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Esc") << 2;
    QTest::newRow("Enter") << 3;
}

void tst_OutputWindow::everyWayOfClosingKillsALiveChild()
{
    QFETCH(int, way);
    CTestRun run;
    QVERIFY(run.start(R"($|=1; print "started\n"; sleep 60;)"));
    run.window->show();
    QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("started\n"), kLongWait);
    switch (way) {
    case 0:
        run.window->findChild<QAction *>("command32992")->trigger();
        break;
    case 1:
        run.window->close();
        break;
    case 2:
        QTest::keyClick(run.window.get(), Qt::Key_Escape);
        break;
    case 3:
        QTest::keyClick(run.window->pane(COutputWindow::StdOut), Qt::Key_Return);
        break;
    }
    QVERIFY(!run.window->isVisible());
    QCOMPARE(run.window->result(), int(QDialog::Accepted));
    // Killed, reaped, and reported as killed rather than as success.
    QVERIFY(run.process->IsCompleted());
    QCOMPARE(run.process->GetExitCode(), long(128 + SIGKILL));
}

void tst_OutputWindow::characterSplitAcrossWrites()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; print "caf\xc3"; select undef, undef, undef, 0.5; print "\xa9 \xe2\x82"; )"
                      R"(select undef, undef, undef, 0.5; print "\xac\n";)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.text(COutputWindow::StdOut), QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac\n"));
    run.window->OnClose();
}

void tst_OutputWindow::zeroByteCutsNothing()
{
    CTestRun run;
    QVERIFY(run.start(R"(print "left\0right\n"; print STDERR "e\0f\n";)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    const QString out = run.text(COutputWindow::StdOut);
    QCOMPARE(out.size(), 11);
    QVERIFY(out.startsWith("left") && out.endsWith("right\n"));
    QCOMPARE(run.text(COutputWindow::StdErr).size(), 4);
    run.window->OnClose();
}

void tst_OutputWindow::outputGoesAtTheEndWhateverWasClicked()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; print "first line\nsecond line\n"; my $go = <STDIN>; print "third\n";)"));
    run.window->show();
    QPlainTextEdit *pane = run.window->pane(COutputWindow::StdOut);
    QTRY_COMPARE_WITH_TIMEOUT(pane->toPlainText(), QStringLiteral("first line\nsecond line\n"), kLongWait);
    // The user clicks into the first line and selects a word.
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTextCursor c = pane->textCursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    pane->setTextCursor(c);
    run.in.Write("go\n");
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(pane->toPlainText(), QStringLiteral("first line\nsecond line\nthird\n"));
    run.window->OnClose();
}

void tst_OutputWindow::stderrStopsAtItsLimit()
{
    CTestRun run;
    // 80,000 characters to standard error, 80,000 to standard output.
    QVERIFY(run.start(R"(my $l = ("e" x 99) . "\n"; print STDERR $l for 1..800; print $l for 1..800;)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    const QString err = run.text(COutputWindow::StdErr);
    QCOMPARE(err.size(), COutputWindow::StderrLimit);
    QVERIFY(err.startsWith(QString(99, 'e') + '\n'));
    QCOMPARE(run.text(COutputWindow::StdOut).size(), 80000);
    QCOMPARE(run.status(), QStringLiteral("Process completed with exit code 0."));
    run.window->OnClose();
}

void tst_OutputWindow::fiftyMegabytesAllShown()
{
    CTestRun run;
    // 655,360 lines of 80 bytes: 50 MiB.
    QVERIFY(run.start(R"(my $x = "x" x 71; printf "%08d%s\n", $_, $x for 1..655360;)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QPlainTextEdit *pane = run.window->pane(COutputWindow::StdOut);
    QCOMPARE(pane->document()->characterCount() - 1, 655360 * 80);
    QCOMPARE(pane->document()->blockCount(), 655360 + 1);
    QCOMPARE(pane->document()->findBlockByNumber(0).text(), QStringLiteral("00000001") + QString(71, 'x'));
    QCOMPARE(pane->document()->findBlockByNumber(655359).text(), QStringLiteral("00655360") + QString(71, 'x'));
    run.window->OnClose();
}

void tst_OutputWindow::childThatReadsNothingDoesNotHoldUpTheWindow()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; print "ready\n"; sleep 60;)"));
    // Far more than a pipe holds; the window is built and shown all the same.
    run.in.Write(QByteArray(1024 * 1024, 'i'));
    run.window->show();
    QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("ready\n"), kLongWait);
    run.window->OnRefresh();
    QCOMPARE(run.status(), QStringLiteral("Process is still active."));
    run.window->OnClose();
    QCOMPARE(run.process->GetExitCode(), long(128 + SIGKILL));
}

void tst_OutputWindow::forkedChildKeepingThePipeDoesNotHangClose()
{
    CTestRun run;
    // The script ends at once; its child keeps standard output and error open.
    QVERIFY(run.start(R"($|=1; my $pid = fork; if (!$pid) { sleep 60; exit 0 } print "child $pid\n"; exit 4;)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.status(), QStringLiteral("Process completed with exit code 4."));
    const QString out = run.text(COutputWindow::StdOut);
    QVERIFY2(out.startsWith("child "), qPrintable(out));
    const pid_t grandchild = out.mid(6).trimmed().toInt();
    QVERIFY(grandchild > 0);
    run.window->OnClose();
    QVERIFY(!run.window->isVisible());
    ::kill(grandchild, SIGKILL);
}

void tst_OutputWindow::forkedChildOfALiveScriptIsKilledByClose()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; my $pid = fork; if (!$pid) { sleep 60; exit 0 } print "child $pid\n"; sleep 60;)"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.text(COutputWindow::StdOut).endsWith('\n'), kLongWait);
    const pid_t grandchild = run.text(COutputWindow::StdOut).mid(6).trimmed().toInt();
    QVERIFY(grandchild > 0);
    run.window->OnClose();
    QCOMPARE(run.process->GetExitCode(), long(128 + SIGKILL));
    // The whole group went: the child's child is gone or a zombie waiting for its new parent.
    QTRY_VERIFY(processState(grandchild) == 0 || processState(grandchild) == 'Z');
}

void tst_OutputWindow::refreshAndSendInputWhileRunning()
{
    CTestRun run;
    QVERIFY(run.start(R"($|=1; while (my $l = <STDIN>) { print "got $l" } print "end\n"; exit 2;)"));
    run.window->show();
    run.window->OnRefresh();
    QCOMPARE(run.status(), QStringLiteral("Process is still active."));
    run.window->findChild<QAction *>("command33015")->trigger();
    CSendInputDlg &send = run.window->sendInputDlg();
    QVERIFY(send.isVisible());
    QTest::keyClicks(send.lineEdit(), "one");
    QTest::keyClick(send.lineEdit(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("got one\n"), kLongWait);
    send.eofButton()->click();
    QVERIFY(!send.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.text(COutputWindow::StdOut), QStringLiteral("got one\nend\n"));
    QCOMPARE(run.status(), QStringLiteral("Process completed with exit code 2."));
    run.window->OnClose();
}

void tst_OutputWindow::sendInputAfterTheEndIsRefused()
{
    CTestRun run;
    QVERIFY(run.start("exit 0"));
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    acceptNextMessageBox(&text, &icon);
    run.window->OnSendInput();
    QCOMPARE(text, QStringLiteral("Completed script cannot receive inputs."));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(!run.window->sendInputDlg().isVisible());
    run.window->OnClose();
}

void tst_OutputWindow::childEndedBeforeTheWindowWasShown()
{
    CTestRun run;
    QVERIFY(run.start(R"(print "said before\n"; print STDERR "and this\n"; exit 6;)"));
    // The waiter gives up waiting for the window before it is shown.
    run.process->JoinWaiter();
    QVERIFY(run.process->IsCompleted());
    run.window->show();
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    QCOMPARE(run.status(), QStringLiteral("Process completed with exit code 6."));
    QCOMPARE(run.text(COutputWindow::StdOut), QStringLiteral("said before\n"));
    QCOMPARE(run.text(COutputWindow::StdErr), QStringLiteral("and this\n"));
    run.window->OnClose();
}

void tst_OutputWindow::viewInputsShowsTheRunsInputReadOnly()
{
    CTestRun run;
    QVERIFY(run.start("exit 0"));
    CScriptInput input;
    input.setInput("a=1\nb=2");
    run.window->inputsViewer().setValues(input);
    run.window->show();
    QString shown, title;
    bool readOnly = false;
    QTimer::singleShot(0, [&] {
        CScriptInputsDlg &viewer = run.window->inputsViewer();
        QTRY_VERIFY(viewer.isVisible());
        shown = viewer.inputEdit()->toPlainText();
        title = viewer.windowTitle();
        readOnly = viewer.inputEdit()->isReadOnly();
        viewer.okButton()->click();
    });
    run.window->findChild<QAction *>("command32997")->trigger();
    QCOMPARE(shown, QStringLiteral("a=1\nb=2"));
    QCOMPARE(title, QStringLiteral("View script input"));
    QVERIFY(readOnly);
    QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
    run.window->OnClose();
}

QTEST_MAIN(tst_OutputWindow)
#include "tst_outputwindow.moc"
