#include "CProcessProbe.h"
#include "CRunFixture.h"
#include "CTestEnvironment.h"

#include "run/CTerminalLauncher.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>

// Pipes and child processes of local runs, the console-window terminal and the korbu launcher it runs.
class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    // Far more than the pipe holds is queued while nobody reads: Write must not wait. CloseBoth then lets the queue
    // drain, in order, before the reader sees the end of data. Without a reader the rest is dropped.
    void writeQueuesAndCloseBothDeliversAll()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        const int reader = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 3);   // stands for the child's end
        QByteArray expected;
        for (int i = 0; i < 300; ++i) {
            const QByteArray chunk = QByteArray::number(i) + ':' + QByteArray(1 + (i * 97) % 9000, char('a' + i % 26));
            QCOMPARE(pipe.Write(chunk), 0);
            expected += chunk;
        }
        QCOMPARE(pipe.CloseBoth(), 1);
        QByteArray got;
        char buffer[65536];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        ::close(reader);
        QCOMPARE(got, expected);

        ::signal(SIGPIPE, SIG_DFL);   // the writer must not die of it either
        CPipe broken;
        QVERIFY(broken.CreatePipeEnds());
        broken.CloseReadEnd();
        QCOMPARE(broken.Write(QByteArray(200000, 'x')), 0);
        QTRY_COMPARE(broken.writeEnd(), -1);
        ::signal(SIGPIPE, SIG_IGN);
        // A writer stuck on a full pipe holds up neither closing nor destroying it.
        CPipe stuck;
        QVERIFY(stuck.CreatePipeEnds());
        const int keepOpen = ::fcntl(stuck.readEnd(), F_DUPFD_CLOEXEC, 3);
        stuck.Write(QByteArray(1024 * 1024, 'z'));
        stuck.CloseWriteEnd();
        QCOMPARE(stuck.writeEnd(), -1);
        ::close(keepOpen);
    }

    // A Read that would wait forever hands over what is in the pipe, or 0, once the stop flag is set (before or during
    // the wait) or the read end is closed under it.
    void readThatWouldWaitForever_data()
    {
        QTest::addColumn<QByteArray>("waiting");
        QTest::addColumn<int>("when");   // 0: stopped before, 1: stopped while waiting, 2: closed while waiting
        QTest::newRow("stopped, bytes still there") << QByteArray("tail of output") << 0;
        QTest::newRow("stop flag set while waiting") << QByteArray() << 1;
        QTest::newRow("read end closed while waiting") << QByteArray() << 2;
    }

    void readThatWouldWaitForever()
    {
        QFETCH(QByteArray, waiting);
        QFETCH(int, when);
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1 << 30);
        std::atomic<bool> stop{when == 0};
        pipe.setStopFlag(&stop);
        QCOMPARE(::write(pipe.writeEnd(), waiting.constData(), size_t(waiting.size())), ssize_t(waiting.size()));
        char buffer[64];
        std::atomic<int> n{-1};
        std::thread reader([&] { n = pipe.Read(buffer, 64); });
        if (when > 0) {
            QTest::qWait(300);
            const bool stillWaiting = n.load() == -1;
            if (when == 1)
                stop = true;
            else
                pipe.CloseReadEnd();
            QVERIFY(stillWaiting);
        }
        reader.join();
        QCOMPARE(QByteArray(buffer, n), waiting);
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<int>("error");
        QTest::newRow("missing path") << "/nonexistent/prog" << QString() << ENOENT;
        QTest::newRow("not in PATH") << "no-such-program-in-path" << QString() << ENOENT;
        QTest::newRow("empty") << QString() << QString() << ENOENT;
        QTest::newRow("not executable") << QString(OSTRAK_SOURCE_DIR "/CMakeLists.txt") << QString() << EACCES;
        QTest::newRow("a folder") << "/tmp" << QString() << EACCES;
        const QString garbage = m_dir.filePath("garbage");   // passes every check before the exec
        CTestEnvironment::writeFile(garbage, "\x01\x02not a program");
        QFile::setPermissions(garbage, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QTest::newRow("exec fails") << garbage << QString() << ENOEXEC;
        QTest::newRow("missing folder") << "perl" << "/nonexistent/folder" << ENOENT;
    }

    // Nothing is left behind, and the waiter of a child that never was reports at once.
    void startFailures()
    {
        QFETCH(QString, program);
        QFETCH(QString, directory);
        const int before = openDescriptorCount();
        {
            CRunFixture run(program, {"-e", "exit 0"});
            run.process.SetWorkingDirectory(directory);
            QCOMPARE(run.process.Start(0x2C), 0);
            QTEST(run.process.lastError(), "error");
            run.process.StartWaiter();
            run.process.JoinWaiter();
            QVERIFY(run.process.IsCompleted());
            QCOMPARE(run.process.GetExitCode(), CProcess::NoExitCode);
        }
        QCOMPARE(openDescriptorCount(), before);
        QCOMPARE(childStates(), QByteArray());
    }

    // A grandchild in the script's group holds the pipes. Kill takes the group of a live script; once the script has
    // been reaped it signals nobody, as its group id may belong to another process by then.
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
        CRunFixture run("perl", {"-e", "$|=1; my $p = fork; if (!$p) { sleep 100; exit } print \"$p\\n\"; " + tail});
        QVERIFY(run.launch());
        QTRY_VERIFY(run.pump().endsWith('\n'));
        const pid_t grandchild = run.outText.trimmed().toInt();
        QVERIFY(grandchild > 0);
        if (scriptEnds)
            run.process.JoinWaiter();
        run.process.Kill();
        run.process.JoinWaiter();
        QCOMPARE(run.process.GetExitCode(), scriptEnds ? 0L : 128L + SIGKILL);
        QCOMPARE(run.completions.load(), 1);
        if (scriptEnds) {
            QTest::qWait(100);
            QVERIFY(!processGone(grandchild));
            ::kill(grandchild, SIGKILL);
        }
        QTRY_VERIFY(processGone(grandchild));
        run.drain();
    }

    // Exit codes: 259 while alive (stopped too), then the status; input and output as given. The child gets fds 0, 1
    // and 2 and nothing else of ours, default signal handling (we ignore SIGPIPE) and no blocked signals.
    void childSeesOnlyItsStreams()
    {
        const int leaky = ::open("/dev/null", O_RDONLY);   // deliberately not close-on-exec
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &block, nullptr);
        CRunFixture run("perl", {"-e", "$|=1; print join(' ', grep { -l \"/proc/self/fd/$_\" } 0..1023), \"\\n\";"
                               "open my $s, '<', '/proc/self/status'; for (<$s>) { print if /^SigBlk/; print 'SIGPIPE ',"
                               " (/^SigIgn:\\s*(\\w+)/ && hex($1) & (1 << 12) ? 'ignored' : 'default'), \"\\n\" if /^SigIgn/ }"
                               "print STDERR 'err'; my $in = <STDIN>; print $in; exit 6"});
        const bool started = run.launch({}, false);
        pthread_sigmask(SIG_UNBLOCK, &block, nullptr);
        ::close(leaky);
        QVERIFY(started);
        QTRY_VERIFY(run.pump().contains("SIGPIPE"));
        const pid_t pid = run.process.pid();
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QTRY_COMPARE(processStat(QString::number(pid)).value(0), QByteArray("T"));
        QCOMPARE(run.process.GetExitCode(), CProcess::StillActive);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        run.in.Write("to stdin\n");
        run.process.JoinWaiter();
        run.drain();
        QCOMPARE(run.outText, QByteArray("0 1 2\nSigBlk:\t0000000000000000\nSIGPIPE default\nto stdin\n"));
        QCOMPARE(run.errText, QByteArray("err"));
        QCOMPARE(run.process.GetExitCode(), 6L);
        // A child dropped without a waiter or pipes is reaped when it ends.
        CProcess("perl", {"-e", "exit 0"}).Start(0x2C);
        QTRY_VERIFY_WITH_TIMEOUT(!childStates().contains('Z'), 20000);   // a loaded machine starts perl slowly
    }

    // The command reaches the terminal as a list, no shell between; the call returns when it ends, timers run on.
    void runsAndWaits()
    {
        const QString terminal = m_dir.filePath("fake-terminal");
        CTestEnvironment::writeFile(terminal, "#!/bin/sh\n[ \"$1\" = -e ] || exit 9\nshift\nsleep 0.3\nexec \"$@\"\n");
        QFile::setPermissions(terminal, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("TERMINAL", terminal.toLocal8Bit());
        const QString out = m_dir.filePath("args");
        bool timerRan = false;
        QTimer::singleShot(0, [&] { timerRan = true; });
        QVERIFY(CTerminalLauncher::runAndWait({"perl", "-e", "open my $f, '>', shift; print $f join('|', @ARGV)", out,
                                               "a b", "$(touch PWNED)", "", "'q\";"}));
        QVERIFY(timerRan);
        QCOMPARE(CTestEnvironment::readFile(out), QByteArray("a b|$(touch PWNED)||'q\";"));
        QVERIFY(!QFile::exists("PWNED"));
    }

    void korbu_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QString marker = QStringLiteral("Halden+Ostrak+");
        const QByteArray prompt = "Press Enter to close";
        QTest::newRow("arguments as given")
            << QStringList{marker, "perl", "-e", "print join('|', @ARGV); exit 3", "a b", "$(touch PWNED)", "", "*"}
            << 3 << "a b|$(touch PWNED)||*\nProcess completed with exit code 3.\n" + prompt << QByteArray();
        QTest::newRow("killed") << QStringList{marker, "perl", "-e", "kill 'KILL', $$"} << 137
            << "\nProcess ended by signal 9 (Killed), exit code 137.\n" + prompt << QByteArray();
        QTest::newRow("missing program") << QStringList{marker, "/no/such/program", "x"} << 127 << prompt
                                         << QByteArray("korbu: could not run /no/such/program: No such file or directory\n");
    }

    // It asks for Enter and then waits for it.
    void korbu()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(OSTRAK_BIN_DIR "/korbu"), arguments);
        QVERIFY(process.waitForStarted());
        while (!process.peek(1 << 20).endsWith("Press Enter to close"))
            QVERIFY2(process.waitForReadyRead(10000), "no prompt");
        QVERIFY(!process.waitForFinished(300));
        process.write("\n");
        QVERIFY(process.waitForFinished(10000));
        QTEST(process.exitCode(), "exitCode");
        QTEST(process.readAllStandardOutput(), "out");
        QTEST(process.readAllStandardError(), "err");
        QVERIFY(QDir(dir.path()).isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
