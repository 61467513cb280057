#include "debug/CPerlDebugSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>

namespace {

const char *const kMain = "use strict;\n"                       // 1
                          "use lib '.';\n"                      // 2
                          "use Helper;\n"                       // 3
                          "my $total = 0;\n"                    // 4
                          "for my $i (1 .. 5) {\n"              // 5
                          "    $total += $i;\n"                 // 6
                          "}\n"                                 // 7
                          "my $r = twice($total);\n"            // 8
                          "my $h = Helper::greet('you');\n"     // 9
                          "print \"done $r $h\\n\";\n"          // 10
                          "sub twice {\n"                       // 11
                          "    my ($n) = @_;\n"                 // 12
                          "    return $n * 2;\n"                // 13
                          "}\n";                                // 14

const char *const kHelper = "package Helper;\n"                 // 1
                            "sub greet {\n"                     // 2
                            "    my ($who) = @_;\n"             // 3
                            "    return \"hello $who\";\n"      // 4
                            "}\n"                               // 5
                            "1;\n";

const char *const kLocals = "my %cfg = (name => 'x', list => [1, 2, 3], deep => { a => { b => { c => 1 } } });\n"
                            "my @big = (1 .. 250);\n"
                            "my $ref = \\%cfg;\n"
                            "my $text = \"tab\\there\";\n"
                            "my $none;\n"
                            "print \"end\\n\";\n";   // 6

const char *const kLoop = "my $n = 0;\nwhile (1) {\n    $n++;\n}\n";

// One debugging run and everything it reported.
struct CRun
{
    CPerlDebugSession session;
    QList<CDebugLocation> stops;
    QList<CDebugVariable> variables, watches;
    QString variablesProblem, problem;
    int variableReplies = 0, watchReplies = 0;
    QList<QPair<int, QString>> placed;   // line given, note
    QByteArray out, err;
    bool finished = false;
    long exitCode = 0;

    CRun()
    {
        using S = CPerlDebugSession;
        QObject::connect(&session, &S::stopped, [this](const CDebugLocation &where) { stops.append(where); });
        QObject::connect(&session, &S::variablesChanged, [this](const QList<CDebugVariable> &list, const QString &why) {
            variables = list;
            variablesProblem = why;
            ++variableReplies;
        });
        QObject::connect(&session, &S::watchesChanged, [this](const QList<CDebugVariable> &list) { watches = list; ++watchReplies; });
        QObject::connect(&session, &S::breakpointPlaced,
                         [this](const CDebugBreakpoint &, int line, const QString &note) { placed.append({line, note}); });
        QObject::connect(&session, &S::standardOutput, [this](const QByteArray &b) { out += b; });
        QObject::connect(&session, &S::standardError, [this](const QByteArray &b) { err += b; });
        QObject::connect(&session, &S::finished, [this](long code, const QString &why) {
            finished = true;
            exitCode = code;
            problem = why;
        });
    }
    bool stop()
    {
        session.stop();
        return QTest::qWaitFor([this] { return finished; }, 10000);
    }
};

// Where a variable's value lies in the tree: "%cfg/{list}/[2]".
const CDebugVariable *find(const QList<CDebugVariable> &list, const QString &path)
{
    const QList<CDebugVariable> *level = &list;
    const CDebugVariable *found = nullptr;
    for (const QString &part : path.split(QLatin1Char('/'))) {
        const auto it = std::find_if(level->cbegin(), level->cend(), [&](const CDebugVariable &v) { return v.name == part; });
        if (it == level->cend())
            return nullptr;
        found = &*it;
        level = &found->children;
    }
    return found;
}

} // namespace

class TestDebugSession : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_perl;

    QString file(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    QString write(const QString &name, const QByteArray &text)
    {
        QFile out(file(name));
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            qFatal("cannot write %s", qPrintable(out.fileName()));
        return QFileInfo(out).canonicalFilePath();
    }
    bool waitForStop(CRun &run, int stops)
    {
        // A stop is complete once the locals of its frame have come.
        (void)QTest::qWaitFor([&] { return run.finished || (run.stops.size() >= stops && run.variableReplies >= stops); }, 20000);
        return run.stops.size() >= stops && run.variableReplies >= stops;
    }
    // Starts the script and waits for the first stop (with its locals).
    bool startAndStop(CRun &run, const QString &script)
    {
        if (!run.session.start(m_perl, script, QProcess::systemEnvironment())) {
            qWarning("%s", qPrintable(run.session.errorString()));
            return false;
        }
        return waitForStop(run, 1);
    }

private slots:
    void initTestCase()
    {
        m_perl = QStandardPaths::findExecutable(QStringLiteral("perl"));
        QVERIFY2(!m_perl.isEmpty(), "perl is not on the PATH");
        QVERIFY(m_dir.isValid());
        write(QStringLiteral("main.pl"), kMain);
        write(QStringLiteral("Helper.pm"), kHelper);
        write(QStringLiteral("locals.pl"), kLocals);
        write(QStringLiteral("loop.pl"), kLoop);
    }

    void stops_data()
    {
        QTest::addColumn<QStringList>("breakpoints");   // file:line[:condition]
        QTest::addColumn<QStringList>("actions");       // c n s r, or "to LINE"
        QTest::addColumn<QStringList>("expected");      // file:line of each stop after the first
        QTest::addColumn<QString>("check");             // variable=value at the last stop
        QTest::newRow("breakpoints hit in order") << QStringList{"main.pl:10", "main.pl:8"} << QStringList{"c", "c"}
                                                  << QStringList{"main.pl:8", "main.pl:10"} << "$r=30";
        QTest::newRow("step over a call") << QStringList{"main.pl:8"} << QStringList{"c", "n"}
                                          << QStringList{"main.pl:8", "main.pl:9"} << "$r=30";
        QTest::newRow("step into, then out") << QStringList{"main.pl:8"} << QStringList{"c", "s", "n", "r"}
                                             << QStringList{"main.pl:8", "main.pl:12", "main.pl:13", "main.pl:9"} << "$total=15";
        QTest::newRow("sub in another file") << QStringList{"Helper.pm:4"} << QStringList{"c"} << QStringList{"Helper.pm:4"}
                                             << "$who='you'";
        // The run then goes to its end: the condition holds back every later pass.
        QTest::newRow("conditional breakpoint") << QStringList{"main.pl:6:$i == 3"} << QStringList{"c"} << QStringList{"main.pl:6"}
                                                << "$total=3";
        QTest::newRow("not breakable line moves down") << QStringList{"main.pl:7"} << QStringList{"c"}
                                                       << QStringList{"main.pl:8"} << "$total=15";
        QTest::newRow("run to line") << QStringList{} << QStringList{"to 9"} << QStringList{"main.pl:9"} << "$r=30";
    }
    void stops()
    {
        QFETCH(QStringList, breakpoints);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, expected);
        QFETCH(QString, check);
        QList<CDebugBreakpoint> list;
        for (const QString &text : breakpoints) {
            const QStringList parts = text.split(QLatin1Char(':'));
            list.append({file(parts[0]), parts[1].toInt(), parts.value(2)});
        }
        CRun run;
        run.session.setBreakpoints(list);
        const QString main = file(QStringLiteral("main.pl"));
        QVERIFY(startAndStop(run, main));
        QCOMPARE(run.stops.first().line, 4);
        QCOMPARE(run.stops.first().file, main);

        using S = CPerlDebugSession;
        const QHash<QString, void (S::*)()> steps{{"c", &S::continueRun}, {"n", &S::stepOver}, {"s", &S::stepInto}, {"r", &S::stepOut}};
        for (const QString &action : actions) {
            const int before = run.stops.size();
            if (steps.contains(action))
                (run.session.*steps.value(action))();
            else
                run.session.runToLine(main, action.section(QLatin1Char(' '), 1).toInt());
            QVERIFY2(waitForStop(run, before + 1), qPrintable("no stop after " + action + "; stderr: " + run.err));
        }
        QStringList got;
        for (qsizetype i = 1; i < run.stops.size(); ++i)
            got << QFileInfo(run.stops[i].file).fileName() + QLatin1Char(':') + QString::number(run.stops[i].line);
        QCOMPARE(got, expected);
        for (const auto &[line, note] : run.placed) {
            QVERIFY2(line > 0, qPrintable(note));
            if (breakpoints == QStringList{"main.pl:7"})
                QCOMPARE(note, QStringLiteral("Line 7 not breakable; the breakpoint moved to line 8."));
        }
        QCOMPARE(run.placed.size(), breakpoints.size());
        if (breakpoints.size() == 1 && breakpoints.first().startsWith(QLatin1String("Helper.pm"))) {
            // A file perl never loaded, and a line past the end of the script, are said so.
            run.session.addBreakpoint({file(QStringLiteral("Nowhere.pm")), 3, QString()});
            run.session.addBreakpoint({main, 99, QString()});
            QTRY_COMPARE(run.placed.size(), 3);
            QCOMPARE(run.placed[1], qMakePair(0, QStringLiteral("The breakpoint at Nowhere.pm line 3 was not set: "
                                                                "perl has not loaded that file at this point.")));
            QCOMPARE(run.placed[2], qMakePair(0, QStringLiteral("The breakpoint at main.pl line 99 was not set: "
                                                                "no line from there on can break.")));
        }
        const CDebugVariable *variable = find(run.variables, check.section(QLatin1Char('='), 0, 0));
        QVERIFY2(variable, qPrintable(check));
        QCOMPARE(variable->value, check.section(QLatin1Char('='), 1));

        run.session.continueRun();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished, 20000);
        QCOMPARE(run.exitCode, 0L);
        QVERIFY(run.problem.isEmpty());
        QCOMPARE(run.out, QByteArray("done 30 hello you\n"));
    }

    // The locals at the last line of locals.pl, and what fetching more of one of them brings.
    void locals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("value");   // empty: not among the locals
        QTest::addColumn<qint64>("count");
        QTest::addColumn<int>("children");
        QTest::addColumn<qint64>("offset");   // -1: nothing fetched
        QTest::addColumn<QStringList>("ends");   // first and last element fetched
        QTest::addColumn<QString>("problem");
        QTest::newRow("hash") << "%cfg" << "(3)" << qint64(3) << 3 << qint64(-1) << QStringList{} << "";
        QTest::newRow("element") << "%cfg/{list}/[2]" << "3" << qint64(-1) << 0 << qint64(-1) << QStringList{} << "";
        QTest::newRow("third level fetched on demand")
            << "%cfg/{deep}/{a}/{b}" << "HASH (1)" << qint64(1) << 0 << qint64(0) << QStringList{"{c}", "{c}"} << "";
        QTest::newRow("array listed up to 100, then the next hundred")
            << "@big" << "(250)" << qint64(250) << 100 << qint64(100) << QStringList{"[100]", "[199]"} << "";
        QTest::newRow("the rest of an array")
            << "@big" << "(250)" << qint64(250) << 100 << qint64(200) << QStringList{"[200]", "[249]"} << "";
        QTest::newRow("array through a reference")
            << "$ref/{list}" << "ARRAY (3)" << qint64(3) << 3 << qint64(1) << QStringList{"[1]", "[2]"} << "";
        QTest::newRow("control character shown escaped")
            << "$text" << "'tab\\x09here'" << qint64(-1) << 0 << qint64(-1) << QStringList{} << "";
        QTest::newRow("undefined") << "$none" << "undef" << qint64(-1) << 0 << qint64(-1) << QStringList{} << "";
        QTest::newRow("key that is not there")
            << "%cfg/{nope}" << "" << qint64(0) << 0 << qint64(0) << QStringList{} << "not a container";
    }
    void locals()
    {
        QFETCH(QString, path);
        QFETCH(QString, value);
        QFETCH(qint64, count);
        QFETCH(int, children);
        QFETCH(qint64, offset);
        QFETCH(QStringList, ends);
        QFETCH(QString, problem);
        CRun run;
        run.session.setBreakpoints({{file(QStringLiteral("locals.pl")), 6, QString()}});
        QVERIFY(startAndStop(run, file(QStringLiteral("locals.pl"))));
        run.session.continueRun();
        QVERIFY(waitForStop(run, 2));
        QCOMPARE(run.stops.last().line, 6);
        QVERIFY2(run.variablesProblem.isEmpty(), qPrintable(run.variablesProblem));
        const CDebugVariable *variable = find(run.variables, path);
        QCOMPARE(variable != nullptr, !value.isEmpty());
        if (variable) {
            QCOMPARE(variable->value, value);
            QCOMPARE(variable->count, count);
            QCOMPARE(variable->children.size(), children);
        }
        if (offset >= 0) {
            const QStringList parts = path.split(QLatin1Char('/'));
            QStringList got;
            QString why;
            bool answered = false;
            connect(&run.session, &CPerlDebugSession::moreVariables, this,
                    [&](const QStringList &p, qint64 o, const QList<CDebugVariable> &list, const QString &w) {
                        answered = p == parts && o == offset;
                        got = list.isEmpty() ? QStringList{} : QStringList{list.first().name, list.last().name};
                        why = w;
                    });
            run.session.fetchMore(parts, offset);
            QTRY_VERIFY(answered);
            QCOMPARE(why, problem);
            QCOMPARE(got, ends);
        }
        QVERIFY(run.stop());
    }

    void watches()
    {
        // The sub's lexical, a broken one (which spoils none of the others), a file lexical seen from
        // the sub, a list, and quotes and backslashes that must pass whole.
        const QStringList expressions{"$n * 2", "(1 +", "$total + 1", "(1, 2, 3)", "'a\\'b' . \"\\\\\""};
        const QStringList values{"30", "error:", "16", "ARRAY (3)", "'a\\'b\\\\'"};
        CRun run;
        const QString main = file(QStringLiteral("main.pl"));
        run.session.setBreakpoints({{main, 13, QString()}});
        run.session.setWatches(expressions);
        QVERIFY(startAndStop(run, main));
        run.session.continueRun();
        QVERIFY(waitForStop(run, 2));
        QTRY_COMPARE(run.watchReplies, 2);
        QStringList names, got;
        for (const CDebugVariable &watch : run.watches)
            names << watch.name, got << watch.value;
        QCOMPARE(names, expressions);
        QVERIFY2(got.value(1).startsWith(values[1]), qPrintable(got.value(1)));
        got[1] = values[1];
        QCOMPARE(got, values);
        QVERIFY(run.stop());
    }

    void inputWhileStopped()
    {
        const QString script = write(QStringLiteral("input.pl"), "$| = 1;\nprint \"name? \";\nmy $line = <STDIN>;\nprint \"got $line\";\n");
        CRun run;
        run.session.setBreakpoints({{script, 3, QString()}});
        QVERIFY(startAndStop(run, script));
        run.session.continueRun();
        QVERIFY(waitForStop(run, 2));
        QCOMPARE(run.stops.last().line, 3);
        QTRY_COMPARE(run.out, QByteArray("name? "));
        run.session.writeInput("hello\n");
        run.session.continueRun();
        QTRY_VERIFY_WITH_TIMEOUT(run.finished, 20000);
        QCOMPARE(run.out, QByteArray("name? got hello\n"));
        QCOMPARE(run.exitCode, 0L);
    }

    void withoutPadWalker()
    {
        // A perl that cannot load PadWalker: the locals view says how to get it.
        write(QStringLiteral("HidePadWalker.pm"),
              "unshift @INC, sub { die \"Can't locate PadWalker.pm in \\@INC\\n\" if $_[1] eq 'PadWalker.pm'; return };\n1;\n");
        QStringList environment = QProcess::systemEnvironment();
        environment << "PERL5LIB=" + m_dir.path() << QStringLiteral("PERL5OPT=-MHidePadWalker");
        CRun run;
        QVERIFY(run.session.start(m_perl, file(QStringLiteral("locals.pl")), environment));
        QVERIFY(waitForStop(run, 1));
        QCOMPARE(run.variablesProblem, CPerlDebugSession::padWalkerMissingText());
        QVERIFY(run.variablesProblem.contains(QLatin1String("apt-get install libpadwalker-perl")));
        QVERIFY(run.variables.isEmpty());
        QVERIFY(run.stop());
    }

    void endings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<long>("exitCode");   // -1: any failure code
        QTest::addColumn<QString>("problem");   // part of the problem; empty: none
        QTest::addColumn<QByteArray>("errors");
        QTest::addColumn<QByteArray>("output");
        // A die exits with $! when it is set, and the debugger leaves it set.
        QTest::newRow("dies") << QByteArray("print \"a\\n\";\ndie \"boom\\n\";\n") << -1L << "" << QByteArray("boom\n") << QByteArray("a\n");
        QTest::newRow("exit 3") << QByteArray("print \"a\\n\";\nexit 3;\n") << 3L << "" << QByteArray() << QByteArray("a\n");
        // The debugger comes up, finds nothing to run and is told to quit.
        QTest::newRow("compile error") << QByteArray("use strict;\nmy $x = ;\nprint 1;\n") << 0L
                                       << "The script could not be compiled.\nsyntax error at " << QByteArray("syntax error") << QByteArray();
        // The child of a fork is not followed: it runs to its end without stopping.
        QTest::newRow("fork") << QByteArray("my $pid = fork();\nif (!$pid) { print \"child\\n\"; exit 0; }\nwaitpid($pid, 0);\nprint \"a\\n\";\n")
                              << 0L << "" << QByteArray() << QByteArray("child\na\n");
    }
    void endings()
    {
        QFETCH(QByteArray, text);
        QFETCH(long, exitCode);
        QFETCH(QString, problem);
        QFETCH(QByteArray, errors);
        QFETCH(QByteArray, output);
        CRun run;
        QVERIFY(run.session.start(m_perl, write(QStringLiteral("ending.pl"), text), QProcess::systemEnvironment()));
        QTRY_VERIFY_WITH_TIMEOUT(run.finished || !run.stops.isEmpty(), 20000);
        if (problem.isEmpty()) {
            QCOMPARE(run.stops.size(), 1);
            run.session.continueRun();
        }
        QTRY_VERIFY_WITH_TIMEOUT(run.finished, 20000);
        if (exitCode < 0)
            QVERIFY2(run.exitCode > 0 && run.exitCode < 256, qPrintable(QString::number(run.exitCode)));
        else
            QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(problem.isEmpty() ? run.problem.isEmpty() : run.problem.startsWith(problem), qPrintable(run.problem));
        QVERIFY2(run.err.contains(errors), run.err.constData());
        QCOMPARE(run.session.state(), CPerlDebugSession::Ended);
        QCOMPARE(run.out, output);
    }

    void pauseThenStopRunningLoop()
    {
        CRun run;
        QVERIFY(startAndStop(run, file(QStringLiteral("loop.pl"))));
        const qint64 pid = run.session.processId();
        QVERIFY(pid > 0);
        run.session.continueRun();
        QTest::qWait(300);
        run.session.pause();
        QVERIFY(waitForStop(run, 2));
        QVERIFY2(run.stops.last().line >= 2 && run.stops.last().line <= 3, qPrintable(QString::number(run.stops.last().line)));
        const CDebugVariable *n = find(run.variables, QStringLiteral("$n"));
        QVERIFY(n);
        QVERIFY2(n->value.toLongLong() > 0, qPrintable(n->value));

        run.session.continueRun();
        QTest::qWait(300);
        QCOMPARE(run.session.state(), CPerlDebugSession::Running);
        QVERIFY(run.stop());
        QCOMPARE(run.exitCode, 128L + SIGKILL);
        // Neither perl nor anything in its process group is left.
        QCOMPARE(::kill(pid_t(pid), 0), -1);
        QCOMPARE(errno, ESRCH);
        QCOMPARE(::kill(-pid_t(pid), 0), -1);
        QCOMPARE(errno, ESRCH);
    }

    void noConnection()
    {
        // A "perl" that never runs the debugger: the session gives up in time.
        const QString fake = write(QStringLiteral("fakeperl"), "#!/bin/sh\necho 'not a debugger' >&2\nsleep 30\n");
        QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CRun run;
        run.session.setConnectTimeout(500);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(run.session.start(fake, file(QStringLiteral("loop.pl")), QProcess::systemEnvironment()));
        QTRY_VERIFY_WITH_TIMEOUT(run.finished, 10000);
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(run.problem, QStringLiteral("Perl did not connect to the debugger within 0.5 seconds.\nnot a debugger"));
        QVERIFY(run.stops.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDebugSession)
#include "tst_debugsession.moc"
