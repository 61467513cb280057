#include <QtTest>

// The console-window launcher, run as the terminal would run it, with the
// test standing in for the user at the keyboard.
class TestKorbu : public QObject
{
    Q_OBJECT

private:
    static QString korbu() { return QStringLiteral(OSTRAK_BIN_DIR "/korbu"); }

private slots:
    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QString marker = QStringLiteral("Halden+Ostrak+");
        QTest::newRow("arguments as given")
            << QStringList{marker, "perl", "-e", "print join('|', @ARGV); exit 3", "a b", "$(touch PWNED)", "", "*"}
            << 3 << QByteArray("a b|$(touch PWNED)||*\nProcess completed with exit code 3.\nPress Enter to close")
            << QByteArray();
        QTest::newRow("success and stderr")
            << QStringList{marker, "perl", "-e", "print STDERR 'oops'"} << 0
            << QByteArray("\nProcess completed with exit code 0.\nPress Enter to close") << QByteArray("oops");
        QTest::newRow("killed")
            << QStringList{marker, "perl", "-e", "kill 'KILL', $$"} << 137
            << QByteArray("\nProcess ended by signal 9 (Killed), exit code 137.\nPress Enter to close")
            << QByteArray();
        QTest::newRow("no marker") << QStringList{"perl", "-e", "print 'ran'"} << 2
                                   << QByteArray("Press Enter to close")
                                   << QByteArray("korbu: usage: korbu Halden+Ostrak+ PROGRAM [ARGUMENTS...]\n");
        QTest::newRow("missing program")
            << QStringList{marker, "/no/such/program", "x"} << 127 << QByteArray("Press Enter to close")
            << QByteArray("korbu: could not run /no/such/program: No such file or directory\n");
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QTemporaryDir dir;
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(korbu(), arguments);
        QVERIFY(process.waitForStarted());
        // It asks for Enter and then waits for it.
        while (!process.peek(1 << 20).endsWith("Press Enter to close"))
            QVERIFY2(process.waitForReadyRead(10000), "no prompt");
        QVERIFY(!process.waitForFinished(300));
        process.write("\n");
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(process.readAllStandardOutput(), out);
        QCOMPARE(process.readAllStandardError(), err);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // Input before the Enter belongs to the program; end of input also closes.
    void programGetsTheKeyboardFirst()
    {
        QProcess process;
        process.start(korbu(), {"Halden+Ostrak+", "perl", "-e", "my $l = <STDIN>; print \"got $l\""});
        QVERIFY(process.waitForStarted());
        process.write("hello\n");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.readAllStandardOutput(),
                 QByteArray("got hello\n\nProcess completed with exit code 0.\nPress Enter to close"));
        QCOMPARE(process.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestKorbu)
#include "tst_korbu.moc"
