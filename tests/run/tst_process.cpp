#include "CProcessProbe.h"
#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CProcessListener.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>

namespace {

class CountingListener : public CProcessListener
{
public:
    void OnProcessCompleted() override { ++calls; }
    std::atomic<int> calls{0};
};

// The three pipes and the process, put together the way a run command
// uses them; the test reads the output itself.
struct Run
{
    Run(const QString &program, const QStringList &arguments)
        : process(program, arguments)
    {
        for (CPipe *p : {&in, &out, &err}) {
            p->CreatePipeEnds();
            p->setPollCount(1);
        }
        process.AttachPipes(&in, &out, &err);
        process.m_pListener = &listener;
    }
    ~Run()
    {
        process.Kill();
        process.JoinWaiter();
    }
    // Start, Resume and StartWaiter; stdin closed after `input`.
    bool launch(const QByteArray &input = {}, bool closeInput = true)
    {
        if (!process.Start(0x2C))
            return false;
        process.Resume();
        in.Write(input);
        if (closeInput)
            in.CloseBoth();
        process.StartWaiter(100);
        return true;
    }
    // Takes what the streams hold now, waiting at most a moment for each;
    // returns the standard output so far.
    QByteArray pump()
    {
        char buffer[65536];
        if (!out.AtEnd())
            outText.append(buffer, out.Read(buffer, int(sizeof buffer)));
        if (!err.AtEnd())
            errText.append(buffer, err.Read(buffer, int(sizeof buffer)));
        return outText;
    }
    void drain()
    {
        while (!out.AtEnd() || !err.AtEnd())
            pump();
    }

    CPipe in, out, err;
    CProcess process;
    CountingListener listener;
    QByteArray outText, errText;
};

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ::signal(SIGPIPE, SIG_IGN);
        QVERIFY2(!QStandardPaths::findExecutable("perl").isEmpty(), "perl is needed");
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<int>("error");
        // Passes every check before the exec, which then fails.
        const QString garbage = m_dir.filePath("garbage");
        QFile f(garbage);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x01\x02\x03\x04not a program");
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        QTest::newRow("missing path") << "/nonexistent/prog" << QString() << ENOENT;
        QTest::newRow("not in PATH") << "no-such-program-in-path" << QString() << ENOENT;
        QTest::newRow("empty") << QString() << QString() << ENOENT;
        QTest::newRow("a folder") << "/tmp" << QString() << EACCES;
        QTest::newRow("not executable") << QString(OSTRAK_SOURCE_DIR "/CMakeLists.txt") << QString() << EACCES;
        QTest::newRow("exec fails") << garbage << QString() << ENOEXEC;
        QTest::newRow("missing folder") << "perl" << "/nonexistent/folder" << ENOENT;
    }

    void startFailures()
    {
        QFETCH(QString, program);
        QFETCH(QString, directory);
        QFETCH(int, error);
        const int before = openDescriptorCount();
        {
            Run run(program, {"-e", "exit 0"});
            run.process.SetWorkingDirectory(directory);
            QCOMPARE(run.process.Start(0x2C), 0);
            QCOMPARE(run.process.lastError(), error);
            // The waiter of a child that never was reports at once.
            run.process.StartWaiter();
            run.process.JoinWaiter();
            QVERIFY(run.process.IsCompleted());
            QCOMPARE(run.process.GetExitCode(), CProcess::NoExitCode);
        }
        QCOMPARE(openDescriptorCount(), before);
        QCOMPARE(childStates(), QByteArray());
    }

    // A grandchild in the script's group holds the pipes. Kill takes the
    // group of a live script; once the script has been reaped it signals
    // nobody, as its group id may belong to another process by then.
    void killTakesTheGroupOfALiveChildOnly_data()
    {
        QTest::addColumn<bool>("scriptEnds");
        QTest::newRow("script alive") << false;
        QTest::newRow("script reaped") << true;
    }

    void killTakesTheGroupOfALiveChildOnly()
    {
        QFETCH(bool, scriptEnds);
        const QString tail = scriptEnds ? "exit 0" : "sleep 100";
        Run run("perl", {"-e", "$|=1; my $p = fork; if (!$p) { sleep 100; exit } print \"$p\\n\"; " + tail});
        QVERIFY(run.launch());
        QTRY_VERIFY(run.pump().endsWith('\n'));
        const pid_t grandchild = run.outText.trimmed().toInt();
        QVERIFY(grandchild > 0);
        if (scriptEnds)
            run.process.JoinWaiter();
        run.process.Kill();
        run.process.JoinWaiter();
        QCOMPARE(run.process.GetExitCode(), scriptEnds ? 0L : 137L);
        QCOMPARE(run.listener.calls.load(), 1);
        if (scriptEnds) {
            QTest::qWait(100);
            QVERIFY(!processGone(grandchild));
            ::kill(grandchild, SIGKILL);
        }
        run.drain();
        QVERIFY(run.out.AtEnd() && run.err.AtEnd());
        QTRY_VERIFY(processGone(grandchild));
    }

    void stoppedChildIsStillActive()
    {
        Run run("perl", {"-e", "$|=1; print 'a'; my $l = <STDIN>; print 'b'; exit 6"});
        QVERIFY(run.launch({}, false));
        QTRY_COMPARE(run.pump(), QByteArray("a"));
        QCOMPARE(run.process.GetExitCode(), CProcess::StillActive);
        const pid_t pid = run.process.pid();
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QTRY_COMPARE(processState(pid), 'T');
        QTest::qWait(100);
        QVERIFY(!run.process.IsCompleted());
        QCOMPARE(run.process.GetExitCode(), CProcess::StillActive);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        run.in.Write("line\n");
        run.process.JoinWaiter();
        run.drain();
        QCOMPARE(run.process.GetExitCode(), 6L);
        QCOMPARE(run.outText, QByteArray("ab"));
    }

    // The child gets fds 0, 1 and 2 and nothing else of ours, default
    // signal handling (we ignore SIGPIPE) and no blocked signals.
    void childInheritsOnlyItsStreams()
    {
        const int leaky = ::open("/dev/null", O_RDONLY); // deliberately not close-on-exec
        QVERIFY(leaky > 2);
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &block, nullptr);

        Run run("perl", {"-e", "print join(' ', grep { -l \"/proc/self/fd/$_\" } 0..1023), \"\\n\";"
                               "open my $s, '<', '/proc/self/status'; for (<$s>) { print if /^SigBlk/; print 'SIGPIPE ',"
                               " (/^SigIgn:\\s*(\\w+)/ && hex($1) & (1 << 12) ? 'ignored' : 'default'), \"\\n\" if /^SigIgn/ }"
                               "print STDERR 'err'; my $in = <STDIN>; print $in"});
        const bool started = run.launch("to stdin\n");
        pthread_sigmask(SIG_UNBLOCK, &block, nullptr);
        ::close(leaky);
        QVERIFY(started);
        run.drain();
        QCOMPARE(run.outText, QByteArray("0 1 2\nSigBlk:\t0000000000000000\nSIGPIPE default\nto stdin\n"));
        QCOMPARE(run.errText, QByteArray("err"));
    }

    // Many runs of every kind in a row leave no zombie and no descriptor.
    void manyRunsLeaveNothingBehind()
    {
        const int before = openDescriptorCount();
        for (int i = 0; i < 200; ++i) {
            if (i % 3 == 0) {
                Run run("perl", {"-e", "print 'o'; print STDERR 'e'; exit 2"});
                QVERIFY(run.launch("input"));
                run.drain();
                run.process.JoinWaiter();
                QCOMPARE(run.outText + run.errText, QByteArray("oe"));
                QCOMPARE(run.process.GetExitCode(), 2L);
            } else if (i % 3 == 1) {
                // Killed with its input still queued and unread.
                Run run("perl", {"-e", "sleep 100"});
                QVERIFY(run.launch(QByteArray(100000, 'i'), false));
                run.process.Kill();
                run.process.JoinWaiter();
                QCOMPARE(run.process.GetExitCode(), 137L);
            } else {
                // Dropped without a waiter: reaped when it ends.
                CProcess dropped("perl", {"-e", "exit 0"});
                QVERIFY(dropped.Start(0x2C));
            }
        }
        QTRY_COMPARE(childStates(), QByteArray());
        QCOMPARE(openDescriptorCount(), before);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
