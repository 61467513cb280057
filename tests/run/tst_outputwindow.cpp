#include "CModalHandler.h"
#include "run/COutputWindow.h"
#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CSendInputDlg.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include <csignal>
#include <memory>

namespace {

constexpr int kLongWait = 120000;

// One local run as the run commands build it, driven without a modal loop.
struct CTestRun
{
    CPipe in, out, err;
    std::unique_ptr<CProcess> process;
    std::unique_ptr<COutputWindow> window;

    bool start(const QString &script)
    {
        for (CPipe *p : {&in, &out, &err})
            p->CreatePipeEnds();
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

} // namespace

class tst_OutputWindow : public QObject
{
    Q_OBJECT

private slots:
    // As in the editor: a write to a pipe nobody reads fails instead of killing.
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    void panesAndStatus_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("endedBeforeShown");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("code");
        QTest::newRow("both streams, exit 3")
            << R"($|=1; print "out 1\n"; print STDERR "err 1\n"; print "out 2\n"; print STDERR "err 2\n"; exit 3)"
            << false << "out 1\nout 2\n" << "err 1\nerr 2\n" << 3;
        QTest::newRow("killed") << R"($|=1; print "x\n"; kill 'KILL', $$)" << false << "x\n" << "" << 137;
        QTest::newRow("terminated") << "kill 'TERM', $$" << false << "" << "" << 143;
        QTest::newRow("character split across writes")
            << R"($|=1; print "caf\xc3"; select undef, undef, undef, 0.5; print "\xa9 \xe2\x82"; )"
               R"(select undef, undef, undef, 0.5; print "\xac\n";)"
            << false << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac\n") << "" << 0;
        const QString line = QString(99, 'e') + '\n';
        QTest::newRow("stderr stops at its limit")
            << R"(my $l = ("e" x 99) . "\n"; print STDERR $l for 1..800; print $l for 1..800;)" << false
            << line.repeated(800) << line.repeated(800).left(COutputWindow::StderrLimit) << 0;
        // Reported and closed while its child still holds both pipes open.
        QTest::newRow("forked child keeps the pipes") << "exit 4 if fork; sleep 30" << false << "" << "" << 4;
        QTest::newRow("ended before the window was shown")
            << R"(print "said before\n"; print STDERR "and this\n"; exit 6;)" << true << "said before\n"
            << "and this\n" << 6;
    }

    void panesAndStatus()
    {
        QFETCH(QString, script);
        QFETCH(bool, endedBeforeShown);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(int, code);
        CTestRun run;
        QVERIFY(run.start(script));
        if (endedBeforeShown) {
            // The waiter gives up waiting for the window before it is shown.
            run.process->JoinWaiter();
            QVERIFY(run.process->IsCompleted());
        }
        run.window->show();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QCOMPARE(run.text(COutputWindow::StdOut), out);
        QCOMPARE(run.text(COutputWindow::StdErr), err);
        QCOMPARE(run.status(), QStringLiteral("Process completed with exit code %1.").arg(code));
        run.window->OnClose();
        QVERIFY(!run.window->isVisible());
    }

    void everyWayOfClosingKillsALiveChild_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("&Close") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Esc") << 2;
        QTest::newRow("Enter") << 3;
    }

    void everyWayOfClosingKillsALiveChild()
    {
        QFETCH(int, way);
        CTestRun run;
        QVERIFY(run.start(R"($|=1; print "started\n"; sleep 60;)"));
        run.window->show();
        QTRY_COMPARE_WITH_TIMEOUT(run.text(COutputWindow::StdOut), QStringLiteral("started\n"), kLongWait);
        if (way == 0)
            run.window->findChild<QAction *>("command32992")->trigger();
        else if (way == 1)
            run.window->close();
        else if (way == 2)
            QTest::keyClick(run.window.get(), Qt::Key_Escape);
        else
            QTest::keyClick(run.window->pane(COutputWindow::StdOut), Qt::Key_Return);
        QVERIFY(!run.window->isVisible());
        QCOMPARE(run.window->result(), int(QDialog::Accepted));
        // Killed, reaped, and reported as killed rather than as success.
        QVERIFY(run.process->IsCompleted());
        QCOMPARE(run.process->GetExitCode(), long(128 + SIGKILL));
    }

    void outputGoesAtTheEndWhateverWasClicked()
    {
        CTestRun run;
        QVERIFY(run.start(R"($|=1; print "first line\nsecond line\n"; my $go = <STDIN>; print "third\n";)"));
        run.window->show();
        QPlainTextEdit *pane = run.window->pane(COutputWindow::StdOut);
        QTRY_COMPARE_WITH_TIMEOUT(pane->toPlainText(), QStringLiteral("first line\nsecond line\n"), kLongWait);
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

    void fiftyMegabytesAllShown()
    {
        CTestRun run;
        // 655,360 lines of 80 bytes: 50 MiB.
        QVERIFY(run.start(R"(my $x = "x" x 71; printf "%08d%s\n", $_, $x for 1..655360;)"));
        run.window->show();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QTextDocument *doc = run.window->pane(COutputWindow::StdOut)->document();
        QCOMPARE(doc->characterCount() - 1, 655360 * 80);
        QCOMPARE(doc->blockCount(), 655360 + 1);
        QCOMPARE(doc->findBlockByNumber(0).text(), QStringLiteral("00000001") + QString(71, 'x'));
        QCOMPARE(doc->findBlockByNumber(655359).text(), QStringLiteral("00655360") + QString(71, 'x'));
        run.window->OnClose();
    }

    void sendInputAfterTheEndIsRefused()
    {
        CTestRun run;
        QVERIFY(run.start("exit 0"));
        run.window->show();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished(), kLongWait);
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        run.window->findChild<QAction *>("command33015")->trigger();
        QCOMPARE(text, QStringLiteral("Completed script cannot receive inputs."));
        QVERIFY(!run.window->sendInputDlg().isVisible());
        run.window->OnClose();
    }
};

QTEST_MAIN(tst_OutputWindow)
#include "tst_outputwindow.moc"
