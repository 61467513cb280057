#include "CRunFixture.h"

#include "app/CommandIds.h"

#include <QTextBlock>

class tst_ErrorLinks : public QObject
{
    Q_OBJECT

private slots:
    // Real interpreter and compiler output; the link moves the real editor's caret.
    void linkGoesToTheLine_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("staysOpen");
        QTest::addRow("perl -c, double-click, completed") << int(ID_SCRIPT_COMPILE) << "err (1)+[x].pl"
            << QByteArray("use strict;\nmy $a = 1;\nprint 'a' +;\n") << 3 << false << false;
        QTest::addRow("javac, double-click, completed") << int(ID_SCRIPT_COMPILE) << "Bad.java"
            << QByteArray("public class Bad {\n  int x = ;\n}\n") << 2 << false << false;
        QTest::addRow("perl warns and waits, Enter, still running") << int(ID_SCRIPT_RUN) << "w $x.pl"
            << QByteArray("my $x;\nwarn \"careful\"; my $in = <STDIN>;\n") << 2 << true << true;
    }

    void linkGoesToTheLine()
    {
        QFETCH(int, command);
        QFETCH(QString, name);
        QFETCH(QByteArray, script);
        QFETCH(int, line);
        QFETCH(bool, byKey);
        QFETCH(bool, staysOpen);
        CRunFixture f;
        QVERIFY(!f.writeScript(name, script, "my scripts").isEmpty());
        COstrakView *view = f.frame->view();
        bool open = false;
        f.trigger(command, [&](COutputWindow *w) {
            QPlainTextEdit *pane = w->pane(COutputWindow::StdErr);
            QTextBlock link;
            QVERIFY(QTest::qWaitFor([&] {
                for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next()) {
                    if (COutputWindow::linkedLine(b) > 0)
                        link = b;
                }
                return link.isValid();
            }, CRunFixture::LongWait));
            QCOMPARE(COutputWindow::linkedLine(link), line);
            if (!staysOpen)
                QVERIFY(QTest::qWaitFor([w] { return w->isOutputComplete() && !w->statusLine()->text().isEmpty(); }));
            if (byKey) {
                pane->setFocus();
                pane->setTextCursor(QTextCursor(link));
                QTest::keyClick(pane, Qt::Key_Return);
            } else {
                const QPoint at = pane->cursorRect(QTextCursor(link)).center() + QPoint(4, 0);
                QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, at);
            }
            open = w->isVisible();
            if (open)
                w->OnClose();
        });
        QCOMPARE(open, staysOpen);
        const long lineStart = view->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line - 1);
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), lineStart);
        QCOMPARE(view->selectedBytes(), script.split('\n').at(line - 1));
    }
};

QTEST_MAIN(tst_ErrorLinks)
#include "tst_errorlinks.moc"
