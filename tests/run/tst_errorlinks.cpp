#include "CRunCommandsFixture.h"

#include "app/CommandIds.h"

#include <QTextBlock>

class tst_ErrorLinks : public QObject
{
    Q_OBJECT

private slots:
    // Real perl and javac output; the link moves the real editor's caret and
    // closes the window of a completed run only.
    void linkGoesToTheLine_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("running");
        QTest::addRow("perl -c, double-click") << int(ID_SCRIPT_COMPILE) << "err (1)+[x].pl"
            << QByteArray("use strict;\nmy $a = 1;\nprint 'a' +;\n") << 3 << false;
        QTest::addRow("javac, double-click") << int(ID_SCRIPT_COMPILE) << "Bad.java"
            << QByteArray("public class Bad {\n  int x = ;\n}\n") << 2 << false;
        QTest::addRow("perl warns and waits, Enter") << int(ID_SCRIPT_RUN) << "w $x.pl"
            << QByteArray("my $x;\nwarn 'careful'; my $in = <STDIN>;\n") << 2 << true;
    }

    void linkGoesToTheLine()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(QByteArray, script);
        QFETCH(int, line);
        QFETCH(bool, running);
        CRunCommandsFixture f;
        QVERIFY(!f.openScript(name, script, "my scripts").isEmpty());
        bool open = false;
        f.run(command, [&](COutputWindow *w) {
            QPlainTextEdit *pane = w->pane(COutputWindow::StdErr);
            QTextBlock link;
            QVERIFY(QTest::qWaitFor([&] {
                for (link = pane->document()->begin(); link.isValid() && !COutputWindow::linkedLine(link);)
                    link = link.next();
                return link.isValid() && (running || !w->statusLine()->text().isEmpty());
            }, 60000));
            QCOMPARE(COutputWindow::linkedLine(link), line);
            if (running) {
                pane->setTextCursor(QTextCursor(link));
                QTest::keyClick(pane, Qt::Key_Return);
            } else {
                QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {},
                                   pane->cursorRect(QTextCursor(link)).center() + QPoint(4, 0));
            }
            open = w->isVisible();
            w->OnClose();
        });
        QCOMPARE(open, running);
        COstrakView *view = f.frame->view();
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS),
                 view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line - 1));
        QCOMPARE(view->selectedBytes(), script.split('\n').at(line - 1));
    }
};

QTEST_MAIN(tst_ErrorLinks)
#include "tst_errorlinks.moc"
