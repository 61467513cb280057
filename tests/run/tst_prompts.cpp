#include "CRunFixture.h"

#include "app/CommandIds.h"
#include "run/CPromptModule.h"
#include "run/CScriptInput.h"

namespace {

const QString kExit0 = QStringLiteral("Process completed with exit code 0.");

} // namespace

class tst_Prompts : public QObject
{
    Q_OBJECT

private slots:
    void environment_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("expected");
        const QString dir = QStringLiteral(OSTRAK_BIN_DIR "/OstrakPerl");
        const QString opt = QStringLiteral("PERL5OPT=-MOstrakAutoflush");
        QTest::addRow("none of the user's own") << QStringList{"HOME=/h"} << dir
                                                 << QStringList{"HOME=/h", "PERL5LIB=" + dir, opt};
        QTest::addRow("user's values kept after ours")
            << QStringList{"PERL5OPT=-Mstrict -w", "PERL5LIB=/a:/b c"} << dir
            << QStringList{opt + " -Mstrict -w", "PERL5LIB=" + dir + ":/a:/b c"};
        QTest::addRow("PERLLIB, read only without PERL5LIB, carried over")
            << QStringList{"PERLLIB=/old"} << dir << QStringList{"PERLLIB=/old", "PERL5LIB=" + dir + ":/old", opt};
        QTest::addRow("an empty PERL5LIB hides PERLLIB") << QStringList{"PERL5LIB=", "PERLLIB=/old"} << dir
                                                         << QStringList{"PERL5LIB=" + dir, "PERLLIB=/old", opt};
        QTest::addRow("module missing: nothing changes") << QStringList{"PERL5OPT=-w"} << "/nonexistent"
                                                         << QStringList{"PERL5OPT=-w"};
    }

    void environment()
    {
        QFETCH(QStringList, given);
        QFETCH(QString, folder);
        QFETCH(QStringList, expected);
        QCOMPARE(CPromptModule::environment(given, folder), expected);
    }

    // The prompt is in the pane while the script waits; the answer, the end
    // of input and the other stream behave as before.
    void promptShowsBeforeInput()
    {
        CRunFixture f;
        f.writeScript("ask.pl", "print \"Name: \"; my $n = <STDIN>; print STDERR \"asked\\n\";"
                                " print \"Hello $n\"; my $rest = <STDIN>; print defined $rest ? 'more' : 'eof';\n");
        QString before;
        const auto o = f.trigger(ID_SCRIPT_RUN, [&](COutputWindow *w) {
            QVERIFY(CRunFixture::waitForText(w, COutputWindow::StdOut, "Name: ", 10000));
            before = w->pane(COutputWindow::StdErr)->toPlainText() + "|" + w->statusLine()->text();
            CRunFixture::sendLine(w, "Bob");
            QVERIFY(CRunFixture::waitForText(w, COutputWindow::StdOut, "Hello Bob\n"));
            w->sendInputDlg().eofButton()->click();
        });
        QCOMPARE(before, QStringLiteral("|"));
        QCOMPARE(o.out, QStringLiteral("Name: Hello Bob\neof"));
        QCOMPARE(o.err, QStringLiteral("asked\n"));
        QCOMPARE(o.status, kExit0);
    }

    // Every Perl command loads the module, with the user's own PERL5OPT still in force.
    void everyPerlCommandLoadsIt_data()
    {
        QTest::addColumn<int>("command");
        QTest::addRow("run") << int(ID_SCRIPT_RUN);
        QTest::addRow("compile") << int(ID_SCRIPT_COMPILE);
        QTest::addRow("debug") << int(ID_SCRIPT_DEBUG);
    }

    void everyPerlCommandLoadsIt()
    {
        QFETCH(int, command);
        qputenv("PERL5OPT", "-MData::Dumper");
        CRunFixture f;
        // A POST body of the largest size, one line read in a BEGIN block (Compile runs those too).
        const QString body = QString(CScriptInput::MaxInputLength - 1, QLatin1Char('b')) + "\n";
        f.commands->scriptInput().setInput(body);
        f.commands->scriptInput().setRequestMethod("POST");
        f.writeScript("flags.pl", "BEGIN { print 'q? '; my $in = <STDIN>; print length($in), ' ',"
                                  " ($| ? 'unbuffered' : 'buffered'), ' ', (defined &Data::Dumper::Dumper ? 'user' : 'none'),"
                                  " \"\\n\" }\n");
        const auto o = f.trigger(command, [command](COutputWindow *w) {
            if (command != ID_SCRIPT_DEBUG)
                return;
            QVERIFY(CRunFixture::waitForText(w, COutputWindow::StdErr, "DB<1>"));
            CRunFixture::sendLine(w, "q");
        });
        qunsetenv("PERL5OPT");
        QCOMPARE(o.out, QStringLiteral("q? %1 unbuffered user\n").arg(body.size()));
        QCOMPARE(o.status, kExit0);
    }
};

QTEST_MAIN(tst_Prompts)
#include "tst_prompts.moc"
