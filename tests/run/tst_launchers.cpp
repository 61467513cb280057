#include "CTestEnvironment.h"

#include "run/CTerminalLauncher.h"

#include <QtTest>

// The terminal that console-window runs open and the korbu launcher it runs,
// with the test standing in for the terminal and the user.
class TestLaunchers : public QObject
{
    Q_OBJECT

private slots:
    // The command reaches the terminal as a list, no shell between; the call
    // returns after the terminal has ended, and timers (paints) run meanwhile.
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
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
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
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestLaunchers)
#include "tst_launchers.moc"
