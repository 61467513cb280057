#include "run/CTerminalLauncher.h"

#include <QtTest>

// The terminal that console-window runs open and the korbu launcher it runs,
// with the test standing in for the terminal and the user.
class TestLaunchers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_savedPath = qgetenv("PATH"); }
    void cleanupTestCase() { qputenv("PATH", m_savedPath); }

    void init()
    {
        m_bin = m_dir.path() + "/bin" + QString::number(++m_round);
        QVERIFY(QDir().mkpath(m_bin));
        qputenv("PATH", m_bin.toLocal8Bit());   // only the test's own stand-ins can be found
        qunsetenv("TERMINAL");
    }

    // The command reaches the terminal as a list, no shell between; the call
    // returns after the terminal has ended, and timers (paints) run meanwhile.
    void runsAndWaits()
    {
        const QByteArray terminal = "#!/bin/sh\n[ \"$1\" = -e ] || exit 9\nshift\nsleep 0.3\nexec \"$@\"\n";
        qputenv("TERMINAL", makeProgram("fake-terminal", terminal).toLocal8Bit());
        qputenv("PATH", m_bin.toLocal8Bit() + ":/usr/bin:/bin");
        const QString out = m_dir.filePath("args");
        bool timerRan = false;
        QTimer::singleShot(0, [&] { timerRan = true; });
        QVERIFY(CTerminalLauncher::runAndWait({"perl", "-e", "open my $f, '>', shift; print $f join('|', @ARGV)", out,
                                               "a b", "$(touch PWNED)", "", "'q\";"}));
        QVERIFY(timerRan);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a b|$(touch PWNED)||'q\";"));
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
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        qputenv("PATH", m_savedPath);
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
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(process.readAllStandardOutput(), out);
        QCOMPARE(process.readAllStandardError(), err);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

private:
    QString makeProgram(const QString &name, const QByteArray &text)
    {
        QFile f(m_bin + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            return {};
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return f.fileName();
    }

    QTemporaryDir m_dir;
    QString m_bin;
    int m_round = 0;
    QByteArray m_savedPath;
};

QTEST_GUILESS_MAIN(TestLaunchers)
#include "tst_launchers.moc"
