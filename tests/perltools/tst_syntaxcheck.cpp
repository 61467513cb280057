#include "perltools/CSyntaxCheckCommand.h"
#include "perltools/CSyntaxChecker.h"
#include "perltools/CSyntaxReport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSyntaxCheck : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name = u"script.pl"_s) const { return m_dir.filePath(name); }

    static QString lineList(const QList<CDiagnostic> &diagnostics)
    {
        QStringList parts;
        for (const CDiagnostic &d : diagnostics)
            parts << u"%1%2"_s.arg(d.severity == CDiagnostic::Error ? 'E' : 'W').arg(d.line);
        return parts.join(u' ');
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(u"lib"_s));
        write(u"lib/Broken.pm"_s, "package Broken;\nsub f { 1 \n1;\n");
        write(u"Helper.pm"_s, "package Helper;\nsub helper { 2 }\n1;\n");
    }

    void messages_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");   // severity and line of each message, in order
        QTest::addColumn<QString>("summary");
        QTest::newRow("clean") << QByteArray("use strict;\nmy $x = 1;\nprint $x;\n") << "" << "No errors";
        QTest::newRow("missing semicolon under strict: two messages on one line")
            << QByteArray("use strict;\nmy $x = 1\nprint $x;\n") << "E3 E3" << "2 errors";
        QTest::newRow("errors and a warning")
            << QByteArray("use strict; use warnings;\nmy $u = 1; my $u = 2;\n$p = 1;\n$q = 2;\n")
            << "W2 E3 E4" << "2 errors, 1 warning";
        QTest::newRow("-w on the #! line is honoured")
            << QByteArray("#!/usr/bin/perl -w\nmy @a = (1); my $y = @a[0];\n") << "W2" << "1 warning";
        QTest::newRow("-T on the #! line passed on")
            << QByteArray("#!/usr/bin/perl -T\nprint 1;\n") << "" << "No errors";
        QTest::newRow("module from the script's folder")
            << QByteArray("use Helper;\nprint Helper::helper();\n") << "" << "No errors";
        QTest::newRow("broken module in lib/ names the use line")
            << QByteArray("use strict;\nuse Broken;\n") << "E2" << "1 error";
        QTest::newRow("die in BEGIN without a line of the script")
            << QByteArray("BEGIN { die \"gone\\n\" }\n") << "E1" << "1 error";
        QTest::newRow("reads standard input in BEGIN")
            << QByteArray("BEGIN { my @all = <STDIN>; }\nmy $x = 1;\n") << "" << "No errors";
        QTest::newRow("invalid UTF-8 in a message")
            << QByteArray("use strict;\n$\xff\xfe = 1;\n") << "E2" << "1 error";
        QTest::newRow("prints 100 MB to standard output during the check")
            << QByteArray("BEGIN { print 'x' x 100_000_000 }\nmy $x = 1\nprint 2;\n") << "E3" << "1 error";
        QTest::newRow("prints 100 MB to standard error during the check")
            << QByteArray("BEGIN { print STDERR 'x' x 100_000_000 }\nmy $x = ;\n") << "E2" << "1 error";
    }

    void messages()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QFETCH(QString, summary);
        QElapsedTimer clock;
        clock.start();
        const CToolResult result = CSyntaxCheckCommand::build(u"perl"_s, path(), text).run();
        QVERIFY2(result.finishedNormally(), result.errors.left(400).constData());
        QVERIFY(clock.elapsed() < CSyntaxCheckCommand::TimeLimitMs);
        QVERIFY(result.errors.size() <= CSyntaxCheckCommand::ErrorLimit);
        const QList<CDiagnostic> found = CSyntaxReport::parse(result, CSyntaxCheckCommand::messageName(path()));
        QCOMPARE(lineList(found), expected);
        QCOMPARE(CSyntaxReport::status(result, found), summary);
        for (const CDiagnostic &d : found)
            QVERIFY(!d.message.contains(QLatin1Char(CSyntaxCheckCommand::WarningMark)));
        if (text.contains('\xff'))
            QVERIFY(found.first().message.contains(QChar::ReplacementCharacter));
    }

    void messageNames_data()
    {
        QTest::addColumn<QString>("scriptPath");
        QTest::newRow("new script") << QString();
        QTest::newRow("quote in the path") << path(u"a\"b.pl"_s);
        QTest::newRow("blank in the path") << path(u"my script.pl"_s);
    }

    void messageNames()
    {
        QFETCH(QString, scriptPath);
        const CToolResult result = CSyntaxCheckCommand::build(u"perl"_s, scriptPath, "my $x = 1\nprint 2;\n").run();
        QCOMPARE(lineList(CSyntaxReport::parse(result, CSyntaxCheckCommand::messageName(scriptPath))), u"E2"_s);
    }

    void taintSwitch_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("-T") << QByteArray("#!/usr/bin/perl -T\n") << "-T";
        QTest::newRow("-wT cluster") << QByteArray("#!/usr/bin/perl -wT\n") << "-T";
        QTest::newRow("-t") << QByteArray("#!/usr/bin/perl -t\n") << "-t";
        QTest::newRow("-Mstrict is no taint") << QByteArray("#!/usr/bin/perl -Mstrict\n") << "";
        QTest::newRow("T in the path only") << QByteArray("#!/opt/T-tools/perl\n") << "";
        QTest::newRow("not the first line") << QByteArray("\n#!/usr/bin/perl -T\n") << "";
        QTest::newRow("CR LF line") << QByteArray("#!/usr/bin/perl -T\r\nprint 1;\r\n") << "-T";
    }

    void taintSwitch()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(CSyntaxCheckCommand::taintSwitch(text), expected);
    }

    void loopInBeginIsKilledAtTheLimit()
    {
        CToolRun run = CSyntaxCheckCommand::build(u"perl"_s, path(), "BEGIN { 1 while 1 }\n");
        run.setTimeLimit(800);
        QElapsedTimer clock;
        clock.start();
        const CToolResult result = run.run();
        QVERIFY(result.timedOut);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(CSyntaxReport::status(result, {}).startsWith(u"Syntax check stopped after 10 s"_s));
    }

    void missingProgram()
    {
        const CToolResult result = CSyntaxCheckCommand::build(u"/nonexistent/perl"_s, path(), "1;\n").run();
        QVERIFY(!result.started);
        QVERIFY(result.startError != 0);
        QVERIFY(CSyntaxReport::status(result, {}).contains(u"could not be started"_s));
    }

    void newerChangeKillsRunningCheck()
    {
        CSyntaxChecker checker;
        checker.setPerl(u"perl"_s);
        checker.setDelay(50);
        QSignalSpy started(&checker, &CSyntaxChecker::checkStarted);
        QSignalSpy done(&checker, &CSyntaxChecker::checked);
        checker.textChanged(path(), [] { return QByteArray("BEGIN { 1 while 1 }\n"); });
        QVERIFY(started.wait(2000));
        QVERIFY(checker.isRunning());
        checker.textChanged(path(), [] { return QByteArray("my $x = 1\nprint 2;\n"); });
        QVERIFY(done.wait(5000));
        QCOMPARE(done.size(), 1);   // the killed check tells nothing
        QCOMPARE(lineList(done.at(0).at(0).value<QList<CDiagnostic>>()), u"E2"_s);
        QCOMPARE(done.at(0).at(1).toString(), u"1 error"_s);
        QCOMPARE(started.size(), 2);
    }

    void checksOnlyAfterThePause()
    {
        CSyntaxChecker checker;
        checker.setPerl(u"perl"_s);
        QSignalSpy started(&checker, &CSyntaxChecker::checkStarted);
        int reads = 0;
        for (int i = 0; i < 5; ++i) {
            checker.textChanged(path(), [&reads] { ++reads; return QByteArray("1;\n"); });
            QTest::qWait(100);
        }
        QCOMPARE(started.size(), 0);
        QVERIFY(started.wait(2000));
        QCOMPARE(reads, 1);
        checker.setEnabled(false);
        checker.textChanged(path(), [] { return QByteArray("1;\n"); });
        QVERIFY(!checker.isWaiting());
    }

    void missingInterpreterSaysSo()
    {
        CSyntaxChecker checker;
        checker.setPerl(QString(), u"no perl"_s);
        checker.setDelay(10);
        QSignalSpy done(&checker, &CSyntaxChecker::checked);
        checker.textChanged(path(), [] { return QByteArray("1;\n"); });
        QVERIFY(done.wait(2000));
        QCOMPARE(done.at(0).at(1).toString(), u"no perl"_s);
    }
};

QTEST_GUILESS_MAIN(TestSyntaxCheck)
#include "tst_syntaxcheck.moc"
