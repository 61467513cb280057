#include "run/CTerminalLauncher.h"

#include <QtTest>

namespace {

// An executable file named `name` in `dir`.
QString makeProgram(const QString &dir, const QString &name, const QByteArray &text)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(text);
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

class TestTerminalLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_savedPath = qgetenv("PATH"); }
    void cleanupTestCase() { qputenv("PATH", m_savedPath); }

    void init()
    {
        m_bin = m_dir.path() + "/bin" + QString::number(++m_round);
        QVERIFY(QDir().mkpath(m_bin));
        // Only the test's own stand-ins can be found.
        qputenv("PATH", m_bin.toLocal8Bit());
        qunsetenv("TERMINAL");
    }

    void terminalChoice_data()
    {
        QTest::addColumn<QString>("terminalVariable");
        QTest::addColumn<QStringList>("programsInPath");
        QTest::addColumn<QStringList>("expectedHead");
        // "@" stands for the test's bin folder.
        QTest::newRow("TERMINAL first") << "myterm" << QStringList{"myterm", "x-terminal-emulator", "xterm"}
                                        << QStringList{"@/myterm"};
        QTest::newRow("TERMINAL with options") << "myterm --class \"Big One\"" << QStringList{"myterm"}
                                               << QStringList{"@/myterm", "--class", "Big One"};
        QTest::newRow("TERMINAL as a path") << "@/elsewhere" << QStringList{"elsewhere", "xterm"}
                                            << QStringList{"@/elsewhere"};
        QTest::newRow("TERMINAL missing") << "no-such-terminal" << QStringList{"xterm"} << QStringList{"@/xterm"};
        QTest::newRow("then x-terminal-emulator") << QString() << QStringList{"x-terminal-emulator", "xterm"}
                                                  << QStringList{"@/x-terminal-emulator"};
        QTest::newRow("then xterm") << QString() << QStringList{"xterm"} << QStringList{"@/xterm"};
        QTest::newRow("none") << "no-such-terminal" << QStringList{} << QStringList{};
    }

    void terminalChoice()
    {
        QFETCH(QString, terminalVariable);
        QFETCH(QStringList, programsInPath);
        QFETCH(QStringList, expectedHead);
        for (const QString &name : programsInPath)
            QVERIFY(!makeProgram(m_bin, name, "#!/bin/sh\n").isEmpty());
        if (!terminalVariable.isEmpty())
            qputenv("TERMINAL", terminalVariable.replace("@", m_bin).toLocal8Bit());
        expectedHead.replaceInStrings("@", m_bin);
        const QStringList command{"/opt/korbu", "Halden+Ostrak+", "perl", "", "/a b/$(x).pl"};
        QCOMPARE(CTerminalLauncher::terminalCommand(command),
                 expectedHead.isEmpty() ? QStringList() : expectedHead + QStringList{"-e"} + command);
    }

    // The command reaches the terminal as a list, no shell between; the
    // call returns only after the terminal has ended, and timers (paints)
    // keep running meanwhile.
    void runsAndWaits()
    {
        const QByteArray terminal = "#!/bin/sh\n[ \"$1\" = -e ] || exit 9\nshift\nsleep 0.3\nexec \"$@\"\n";
        qputenv("TERMINAL", makeProgram(m_bin, "fake-terminal", terminal).toLocal8Bit());
        qputenv("PATH", m_bin.toLocal8Bit() + ":/usr/bin:/bin");
        const QString out = m_dir.filePath("args");
        const QStringList command{"perl", "-e", "open my $f, '>', shift; print $f join('|', @ARGV)", out,
                                  "a b", "$(touch PWNED)", "", "'q\";"};
        bool timerRan = false;
        QTimer::singleShot(0, [&] { timerRan = true; });
        QVERIFY(CTerminalLauncher::runAndWait(command));
        QVERIFY(timerRan);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("a b|$(touch PWNED)||'q\";"));
        QVERIFY(!QFile::exists("PWNED"));
    }

    void noTerminalStarts()
    {
        QVERIFY(!CTerminalLauncher::runAndWait({"true"}));
        // Found, but its interpreter is missing.
        QVERIFY(!makeProgram(m_bin, "xterm", "#!/nonexistent/interpreter\n").isEmpty());
        QVERIFY(!CTerminalLauncher::runAndWait({"true"}));
    }

private:
    QTemporaryDir m_dir;
    QString m_bin;
    int m_round = 0;
    QByteArray m_savedPath;
};

QTEST_GUILESS_MAIN(TestTerminalLauncher)
#include "tst_terminallauncher.moc"
