#include "run/CPipe.h"
#include "run/CProcess.h"
#include "run/CProcessListener.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CountingListener : public CProcessListener
{
public:
    void OnProcessCompleted() override { ++calls; }
    std::atomic<int> calls{0};
};

// The three pipes, the process and two readers, put together the way a
// run command and its output window use them.
struct Run
{
    Run(const QString &program, const QStringList &arguments)
        : process(program, arguments)
    {
        for (CPipe *p : {&in, &out, &err}) {
            p->CreatePipeEnds();
            p->setPollCount(2);
        }
        process.AttachPipes(&in, &out, &err);
        process.m_pListener = &listener;
    }
    ~Run()
    {
        stopReaders();
        process.Kill();
        process.JoinWaiter();
    }
    void startReaders()
    {
        outReader = std::thread([this] { drain(out, outText); });
        errReader = std::thread([this] { drain(err, errText); });
    }
    void drain(CPipe &pipe, QByteArray &text)
    {
        pipe.setStopFlag(&stop);
        char buffer[2048];
        while (!pipe.AtEnd() && !stop.load()) {
            const int n = pipe.Read(buffer, int(sizeof buffer));
            std::lock_guard lock(textMutex);
            text.append(buffer, n);
        }
    }
    // The standard output so far, while the readers still run.
    QByteArray outSoFar()
    {
        std::lock_guard lock(textMutex);
        return outText;
    }
    // Waits until both streams have ended.
    void joinReaders()
    {
        if (outReader.joinable())
            outReader.join();
        if (errReader.joinable())
            errReader.join();
    }
    void stopReaders()
    {
        stop = true;
        joinReaders();
    }
    // Start, Resume, StartWaiter and the readers; stdin closed after `input`.
    bool launch(const QByteArray &input = {}, bool closeInput = true)
    {
        if (!process.Start(0x2C))
            return false;
        process.Resume();
        if (!input.isEmpty())
            in.Write(input);
        if (closeInput)
            in.CloseBoth();
        process.StartWaiter(100);
        startReaders();
        return true;
    }

    CPipe in, out, err;
    CProcess process;
    CountingListener listener;
    std::atomic<bool> stop{false};
    std::thread outReader, errReader;
    std::mutex textMutex;
    QByteArray outText, errText;
};

QStringList perl(const QString &code, const QStringList &more = {})
{
    return QStringList{QStringLiteral("-e"), code} + more;
}

int openDescriptors()
{
    int count = 0;
    DIR *dir = ::opendir("/proc/self/fd");
    while (dirent *e = ::readdir(dir)) {
        if (e->d_name[0] != '.')
            ++count;
    }
    ::closedir(dir);
    return count;
}

// State letters of this process's children, from /proc.
QByteArray childStates()
{
    QByteArray states;
    const QByteArray self = QByteArray::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self)
            states += fields.at(0);
    }
    return states;
}

// Gone, or a zombie of somebody else: it runs no more.
bool isGone(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

QString executableOf(pid_t pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

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

    void exitCodesAndStreams_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<long>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");

        QTest::newRow("success") << "print 'fine'; exit 0" << 0L << QByteArray("fine") << QByteArray();
        QTest::newRow("exit 3") << "print STDERR 'bad'; exit 3" << 3L << QByteArray() << QByteArray("bad");
        QTest::newRow("both streams") << "$|=1; print 'o1'; print STDERR 'e1'; print 'o2'; print STDERR 'e2'"
                                      << 0L << QByteArray("o1o2") << QByteArray("e1e2");
        QTest::newRow("zero bytes") << "print qq{a\\0b\\0}" << 0L << QByteArray("a\0b\0", 4) << QByteArray();
        QTest::newRow("killed by a signal") << "$|=1; print 'x'; kill 'KILL', $$" << 137L << QByteArray("x")
                                            << QByteArray();
        QTest::newRow("terminated") << "kill 'TERM', $$" << 143L << QByteArray() << QByteArray();
        QTest::newRow("exit 255") << "exit 255" << 255L << QByteArray() << QByteArray();
        QTest::newRow("much output") << "print 'y' x 3000000" << 0L << QByteArray(3000000, 'y') << QByteArray();
    }

    void exitCodesAndStreams()
    {
        QFETCH(QString, code);
        QFETCH(long, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);

        Run run(QStringLiteral("perl"), perl(code));
        QCOMPARE(run.process.GetExitCode(), CProcess::NoExitCode);
        QVERIFY(run.launch());
        run.joinReaders();
        run.process.JoinWaiter();
        QCOMPARE(run.outText, out);
        QCOMPARE(run.errText, err);
        QCOMPARE(run.process.GetExitCode(), exitCode);
        QVERIFY(run.process.IsCompleted());
        QCOMPARE(run.listener.calls.load(), 1);
    }

    void stillActiveWhileRunning()
    {
        Run run(QStringLiteral("perl"), perl("my $l = <STDIN>; exit 4"));
        QVERIFY(run.launch({}, false));
        QCOMPARE(run.process.GetExitCode(), CProcess::StillActive);
        QVERIFY(!run.process.IsCompleted());
        run.in.Write("go\n");
        run.process.JoinWaiter();
        QCOMPARE(run.process.GetExitCode(), 4L);
    }

    void killRunningChild()
    {
        Run run(QStringLiteral("perl"), perl("$|=1; print 'up'; sleep 100"));
        QVERIFY(run.launch({}, false));
        QTRY_COMPARE(run.outSoFar(), QByteArray("up"));
        run.process.Kill();
        run.process.JoinWaiter();
        run.joinReaders();
        QCOMPARE(run.process.GetExitCode(), 128L + SIGKILL);
        QVERIFY(run.process.IsCompleted());
        QCOMPARE(run.listener.calls.load(), 1);
        QVERIFY(run.out.AtEnd());
        // A second Kill of the reaped child signals nothing and tells nobody.
        run.process.Kill();
        QCOMPARE(run.listener.calls.load(), 1);
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<int>("error");

        QTemporaryDir dir;
        QTest::newRow("missing path") << "/nonexistent/prog" << QString() << ENOENT;
        QTest::newRow("not in PATH") << "no-such-program-in-path" << QString() << ENOENT;
        QTest::newRow("empty") << QString() << QString() << ENOENT;
        QTest::newRow("a folder") << "/tmp" << QString() << EACCES;
        QTest::newRow("not executable") << QString(OSTRAK_SOURCE_DIR "/CMakeLists.txt") << QString() << EACCES;
        QTest::newRow("missing folder") << "perl" << "/nonexistent/folder" << ENOENT;
        QTest::newRow("folder is a file") << "perl" << QString(OSTRAK_SOURCE_DIR "/CMakeLists.txt") << ENOTDIR;
    }

    void startFailures()
    {
        QFETCH(QString, program);
        QFETCH(QString, directory);
        QFETCH(int, error);

        const int before = openDescriptors();
        {
            Run run(program, perl("exit 0"));
            run.process.SetWorkingDirectory(directory);
            QCOMPARE(run.process.Start(0x2C), 0);
            QCOMPARE(run.process.lastError(), error);
            QCOMPARE(run.process.GetExitCode(), CProcess::NoExitCode);
            // The waiter of a child that never was reports -99 at once.
            run.process.StartWaiter();
            run.process.JoinWaiter();
            QVERIFY(run.process.IsCompleted());
            QCOMPARE(run.process.GetExitCode(), CProcess::NoExitCode);
        }
        QCOMPARE(openDescriptors(), before);
        QCOMPARE(childStates(), QByteArray());
    }

    // A file that passes every check before the exec but that the system
    // cannot execute is still reported by Start, and no child is left.
    void execFailureAtStart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("garbage");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x01\x02\x03\x04not a program", 17));
        f.close();
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner));

        Run run(path, {});
        QCOMPARE(run.process.Start(), 0);
        QCOMPARE(run.process.lastError(), ENOEXEC);
        QCOMPARE(childStates(), QByteArray());
    }

    // Killing a child at once and going on with the calling order: nothing
    // is raised, even where SIGPIPE is not ignored.
    void resumeAfterKill()
    {
        ::signal(SIGPIPE, SIG_DFL);
        auto restore = qScopeGuard([] { ::signal(SIGPIPE, SIG_IGN); });
        Run run(QStringLiteral("perl"), perl("sleep 30"));
        QVERIFY(run.process.Start());
        run.process.Kill();
        QTRY_VERIFY(isGone(run.process.pid()));
        run.process.Resume();
        run.process.StartWaiter();
        run.process.JoinWaiter();
        QCOMPARE(run.process.GetExitCode(), 137L);
    }

    // Start returns once the program runs, in a group of its own.
    void startExecutesTheProgram()
    {
        Run run(QStringLiteral("perl"), perl("print 'ran'"));
        QVERIFY(run.process.Start());
        const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        QVERIFY(executableOf(run.process.pid()) != self);
        QCOMPARE(::getpgid(run.process.pid()), run.process.pid());
        run.process.Resume();
        run.in.CloseBoth();
        run.process.StartWaiter();
        run.startReaders();
        run.joinReaders();
        QCOMPARE(run.outText, QByteArray("ran"));
    }

    // The console's way: Start, Resume, drop. The child runs on and is
    // reaped when it ends.
    void droppedAfterResumeRunsAndIsReaped()
    {
        QTemporaryDir dir;
        const QString marker = dir.filePath("ran");
        {
            CProcess process(QStringLiteral("perl"), perl("open my $f, '>', $ARGV[0]", {marker}));
            QVERIFY(process.Start(0x2C));
            process.Resume();
        }
        QTRY_VERIFY(QFile::exists(marker));
        QTRY_COMPARE(childStates(), QByteArray());
    }

    void stoppedChildIsNotFinished()
    {
        Run run(QStringLiteral("perl"), perl("$|=1; print 'a'; my $l = <STDIN>; print 'b'; exit 6"));
        QVERIFY(run.launch({}, false));
        QTRY_COMPARE(run.outSoFar(), QByteArray("a"));
        const pid_t pid = run.process.pid();
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QTRY_COMPARE(childStates(), QByteArray("T"));
        QTest::qWait(100);
        QVERIFY(!run.process.IsCompleted());
        QCOMPARE(run.process.GetExitCode(), CProcess::StillActive);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        run.in.Write("line\n");
        run.process.JoinWaiter();
        run.joinReaders();
        QCOMPARE(run.process.GetExitCode(), 6L);
        QCOMPARE(run.outText, QByteArray("ab"));
    }

    // A grandchild in the child's group keeps the pipes open; Kill takes it
    // down with the child, and the readers see the end of data.
    void killTakesTheGroup()
    {
        Run run(QStringLiteral("perl"),
                perl("$|=1; my $p = fork; if (!$p) { sleep 100; exit } print \"$p\\n\"; sleep 100"));
        QVERIFY(run.launch({}, false));
        QTRY_VERIFY(run.outSoFar().endsWith('\n'));
        const pid_t grandchild = run.outSoFar().trimmed().toInt();
        QVERIFY(grandchild > 0);
        run.process.Kill();
        run.process.JoinWaiter();
        run.joinReaders();
        QCOMPARE(run.process.GetExitCode(), 137L);
        QVERIFY(run.out.AtEnd());
        QVERIFY(run.err.AtEnd());
        QTRY_VERIFY(isGone(grandchild));
    }

    // The child has ended and been reaped while a grandchild of its group
    // holds the pipes: Kill signals nobody, and closing the pipes under
    // the running readers still finishes.
    void killAfterEndSignalsNobody()
    {
        Run run(QStringLiteral("perl"),
                perl("$|=1; my $p = fork; if (!$p) { sleep 100; exit } print \"$p\\n\"; exit 0"));
        QVERIFY(run.launch());
        run.process.JoinWaiter();
        QCOMPARE(run.process.GetExitCode(), 0L);
        QTRY_VERIFY(run.outSoFar().endsWith('\n'));
        const pid_t grandchild = run.outSoFar().trimmed().toInt();
        QVERIFY(grandchild > 0);

        run.process.Kill();
        QTest::qWait(100);
        QVERIFY(!isGone(grandchild));
        QVERIFY(!run.out.AtEnd());

        run.stop = true;
        run.out.CloseBoth();
        run.err.CloseBoth();
        run.joinReaders();
        QTRY_COMPARE(run.out.readEnd(), -1);
        QTRY_COMPARE(run.err.readEnd(), -1);
        ::kill(grandchild, SIGKILL);
        QTRY_VERIFY(isGone(grandchild));
    }

    // Far more input than a pipe holds, written while the child does not
    // read yet: every Write returns (else this test would hang), and the
    // child then reads all of it, in order, slowly.
    void largeInputToSlowReader()
    {
        QTemporaryDir dir;
        const QString go = dir.filePath("go");
        Run run(QStringLiteral("perl"),
                perl("use Digest::MD5 qw(md5_hex); select(undef, undef, undef, 0.02) until -e $ARGV[0];"
                     "my ($all, $b) = (''); while (sysread(STDIN, $b, 3000)) { $all .= $b;"
                     " select(undef, undef, undef, 0.001) } print length($all), ' ', md5_hex($all)",
                     {go}));
        QVERIFY(run.launch({}, false));
        QByteArray sent;
        for (int i = 0; i < 200; ++i) {
            const QByteArray chunk = QByteArray::number(i) + ':' + QByteArray(1500 + i, char('A' + i % 26)) + '\n';
            run.in.Write(chunk);
            sent += chunk;
        }
        QVERIFY(sent.size() > 300 * 1024);
        run.in.CloseBoth();
        QFile(go).open(QIODevice::WriteOnly);
        run.process.JoinWaiter();
        run.joinReaders();
        QCOMPARE(run.errText, QByteArray());
        QCOMPARE(run.outText, QByteArray::number(sent.size()) + ' '
                                  + QCryptographicHash::hash(sent, QCryptographicHash::Md5).toHex());
        QCOMPARE(run.process.GetExitCode(), 0L);
    }

    void workingDirectoryAndAwkwardNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::newRow("blanks") << "my scripts" << "hello world.pl";
        QTest::newRow("shell characters") << "a $(touch PWNED) `touch PWNED2`" << "x; touch PWNED3 | & 'q\" *.pl";
        QTest::newRow("leading dash") << "-d" << "-e.pl";
    }

    void workingDirectoryAndAwkwardNames()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QTemporaryDir root;
        const QString dir = root.filePath(folder);
        QVERIFY(QDir().mkpath(dir));
        const QString script = dir + QLatin1Char('/') + file;
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("use Cwd; print getcwd(), \"\\n\", $0, \"\\n\", join('|', @ARGV);\n");
        f.close();

        Run run(QStringLiteral("perl"), {script, QStringLiteral("a b"), QStringLiteral("$HOME"), QString()});
        run.process.SetWorkingDirectory(dir);
        QVERIFY(run.launch());
        run.joinReaders();
        QCOMPARE(run.errText, QByteArray());
        QCOMPARE(QString::fromUtf8(run.outText),
                 QFileInfo(dir).canonicalFilePath() + "\n" + script + "\na b|$HOME|");
        const QStringList made = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(made, QStringList{folder});
    }

    void emptyWorkingDirectoryIsTheEditors()
    {
        Run run(QStringLiteral("perl"), perl("use Cwd; print getcwd()"));
        QVERIFY(run.launch());
        run.joinReaders();
        QCOMPARE(QString::fromUtf8(run.outText), QDir::current().canonicalPath());
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

        Run run(QStringLiteral("perl"),
                perl("print join(' ', grep { -l \"/proc/self/fd/$_\" } 0..1023), \"\\n\";"
                     "open my $s, '<', '/proc/self/status'; for (<$s>) { print if /^SigBlk/;"
                     " print 'SIGPIPE ', (/^SigIgn:\\s*(\\w+)/ && hex($1) & (1 << 12) ? 'ignored' : 'default'), \"\\n\" if /^SigIgn/ }"
                     "print STDERR 'err'; my $in = <STDIN>; print $in"));
        const bool started = run.launch("to stdin\n");
        pthread_sigmask(SIG_UNBLOCK, &block, nullptr);
        ::close(leaky);
        QVERIFY(started);
        run.joinReaders();
        QCOMPARE(run.outText, QByteArray("0 1 2\nSigBlk:\t0000000000000000\nSIGPIPE default\nto stdin\n"));
        QCOMPARE(run.errText, QByteArray("err"));
    }

    // Many runs of every kind in a row leave no zombie and no descriptor.
    void manyRunsLeaveNothingBehind()
    {
        const int before = openDescriptors();
        for (int i = 0; i < 200; ++i) {
            switch (i % 4) {
            case 0: {
                Run run(QStringLiteral("perl"), perl("print 'o'; print STDERR 'e'; exit 2"));
                QVERIFY(run.launch("input"));
                run.joinReaders();
                run.process.JoinWaiter();
                QCOMPARE(run.outText + run.errText, QByteArray("oe"));
                QCOMPARE(run.process.GetExitCode(), 2L);
                break;
            }
            case 1: {
                Run run(QStringLiteral("perl"), perl("sleep 100"));
                QVERIFY(run.launch("never read", false));
                run.process.Kill();
                run.process.JoinWaiter();
                run.joinReaders();
                QCOMPARE(run.process.GetExitCode(), 137L);
                run.in.CloseBoth();
                run.out.CloseBoth();
                run.err.CloseBoth();
                break;
            }
            case 2: {
                Run run(QStringLiteral("/nonexistent/perl"), {});
                QVERIFY(!run.launch());
                break;
            }
            case 3: {
                // Dropped while its stdin is still open and unread.
                Run run(QStringLiteral("perl"), perl("print 'x'; my $l = <STDIN>"));
                QVERIFY(run.launch(QByteArray(100000, 'i'), false));
                break;
            }
            }
        }
        QCOMPARE(childStates(), QByteArray());
        QCOMPARE(openDescriptors(), before);
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
