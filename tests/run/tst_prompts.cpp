#include "CRunCommandsFixture.h"

#include "app/CommandIds.h"
#include "run/CScriptInput.h"

class tst_Prompts : public QObject
{
    Q_OBJECT

private slots:
    // The prompt is in the pane before any input is sent; the answer, the
    // end of input and the other stream behave as before.
    void promptShowsBeforeInput()
    {
        CRunCommandsFixture f;
        QVERIFY(!f.openScript("ask.pl", "print 'Name: '; my $n = <STDIN>; print STDERR \"asked\\n\"; print \"Hi $n\";"
                                       " print defined(<STDIN>) ? 'more' : 'eof';\n").isEmpty());
        const QString o = f.run(ID_SCRIPT_RUN, [](COutputWindow *w) {
            QVERIFY(CRunCommandsFixture::waitFor(w, COutputWindow::StdOut, "Name: ", 10000));
            QVERIFY(w->pane(COutputWindow::StdErr)->toPlainText().isEmpty());
            CRunCommandsFixture::sendLine(w, "Bob");
            QVERIFY(CRunCommandsFixture::waitFor(w, COutputWindow::StdOut, "Hi Bob\n"));
            w->sendInputDlg().eofButton()->click();
        });
        QCOMPARE(o, QStringLiteral("Name: Hi Bob\neof|asked\n|Process completed with exit code 0."));
    }

    // Every Perl command loads it, with the user's own PERL5OPT in force;
    // the POST body of the largest size arrives whole.
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
        CRunCommandsFixture f;
        f.commands->scriptInput().setInput(QString(CScriptInput::MaxInputLength - 1, u'b') + "\n");
        f.commands->scriptInput().setRequestMethod("POST");
        QVERIFY(!f.openScript("flags.pl", "BEGIN { print 'q? '; print length(scalar <STDIN>), ($| ? ' unbuffered' : ''),"
                                         " (defined &Data::Dumper::Dumper ? ' user' : ''), \"\\n\" }\n").isEmpty());
        const QString o = f.run(command, [command](COutputWindow *w) {
            if (command == ID_SCRIPT_DEBUG && CRunCommandsFixture::waitFor(w, COutputWindow::StdErr, "DB<1>"))
                CRunCommandsFixture::sendLine(w, "q");
        });
        qunsetenv("PERL5OPT");
        QCOMPARE(o.section('|', 0, 0), QStringLiteral("q? 4000 unbuffered user\n"));
        QCOMPARE(o.section('|', 2), QStringLiteral("Process completed with exit code 0."));
    }
};

QTEST_MAIN(tst_Prompts)
#include "tst_prompts.moc"
