#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/CMainFrame.h"
#include "app/CViewPreferences.h"
#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "perltools/CDiagnosticMarks.h"
#include "perltools/CLiveSyntaxCheck.h"
#include "perltools/COutlinePanel.h"
#include "perltools/CCriticPanel.h"
#include "perltools/CPerlToolsCommands.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The Perl tools in the shown main window, driven by the keys a user presses.
class TestPerlToolsCommands : public QObject
{
    Q_OBJECT

private:
    CFrameFixture m_fx;

    COstrakView *view() { return m_fx->view(); }
    CPerlToolsCommands *tools() { return m_fx->perlTools(); }
    QAction *action(int id) { return m_fx->action(id); }
    void tidyKey() { QTest::keyClick(view(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier); }

    void typeScript(const QByteArray &text)
    {
        view()->setFocus();
        for (char c : text) {
            if (c == '\n')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else
                QTest::keyClicks(QApplication::focusWidget(), QString(QLatin1Char(c)));
        }
    }

    int caretLine()
    {
        int line = 0, column = 0;
        view()->getCursorPosition(&line, &column);
        return line + 1;
    }

    // Lines (from 1) that carry a marker of `marker`.
    QList<int> markedLines(int marker)
    {
        QList<int> lines;
        for (int line = view()->markerFindNext(0, 1 << marker); line >= 0;
             line = view()->markerFindNext(line + 1, 1 << marker))
            lines << line + 1;
        return lines;
    }

    bool squiggled(int line, int indicator)
    {
        const long start = view()->SendScintilla(QsciScintillaBase::SCI_GETLINEINDENTPOSITION, line - 1);
        return view()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, start) != 0;
    }

    bool waitForPane(const QString &text)
    {
        return QTest::qWaitFor([&] { return tools()->syntaxPaneText() == text; }, 8000);
    }

private slots:
    void init()
    {
        QSettings(u"HALDEN"_s, u"Ostrak"_s).remove(u"View"_s);
        m_fx.open();
        QVERIFY(m_fx.showActive());
        view()->setFocus();
        // The new script's "#!" line comes first; typing goes after it.
        view()->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    }

    void cleanup() { m_fx.close(); }

    void typedErrorsAreMarkedAndF8GoesRound()
    {
        QVERIFY(action(ID_VIEW_SYNTAX_CHECK)->isChecked());   // on by default
        // Typing starts on line 2, after the "#!" line.
        typeScript("use strict; use warnings;\nmy $u = 1; my $u = 2;\n$p = 1;\n$q = 2;\n");
        QVERIFY2(waitForPane(u"2 errors, 1 warning"_s), qPrintable(tools()->syntaxPaneText()));
        QCOMPARE(markedLines(CDiagnosticMarks::ErrorMarker), (QList<int>{4, 5}));
        QCOMPARE(markedLines(CDiagnosticMarks::WarningMarker), QList<int>{3});
        for (int line : {4, 5}) {
            QVERIFY(squiggled(line, CDiagnosticMarks::ErrorIndicator));
            QVERIFY(!tools()->syntaxCheck()->marks().messagesAt(line).isEmpty());
        }
        QVERIFY(squiggled(3, CDiagnosticMarks::WarningIndicator));
        QVERIFY(!squiggled(1, CDiagnosticMarks::ErrorIndicator));
        view()->setCursorPosition(0, 0);
        for (int expected : {3, 4, 5, 3}) {   // round to the first after the last
            QTest::keyClick(view(), Qt::Key_F8);
            QCOMPARE(caretLine(), expected);
        }
        QVERIFY(m_fx->statusText().contains(u"$u"_s));
        QTest::keyClick(view(), Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(caretLine(), 5);   // and back round to the last
    }

    void switchOffClearsAndStaysOff()
    {
        typeScript("my $x = \n");
        QVERIFY(waitForPane(u"1 error"_s));
        action(ID_VIEW_SYNTAX_CHECK)->trigger();
        QVERIFY(!CViewPreferences::syntaxCheck());
        QCOMPARE(tools()->syntaxPaneText(), QString());
        QVERIFY(markedLines(CDiagnosticMarks::ErrorMarker).isEmpty());
        typeScript("my $y = \n");
        QTest::qWait(1200);
        QCOMPARE(tools()->syntaxPaneText(), QString());
        QVERIFY(markedLines(CDiagnosticMarks::ErrorMarker).isEmpty());
    }

    void javaSourcesAreNotChecked()
    {
        const QString path = m_fx.env->path(u"Hello.java"_s);
        CTestEnvironment::writeFile(path, "class Hello { this is not perl\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        typeScript("x");
        QTest::qWait(1500);
        QVERIFY(!tools()->syntaxCheck()->checker().isRunning());
        QCOMPARE(tools()->syntaxPaneText(), QString());
        QVERIFY(markedLines(CDiagnosticMarks::ErrorMarker).isEmpty());
    }

    void tidyIsOneUndoStep()
    {
        const QByteArray script("my $x=1;if($x){print\"a\"}\n");
        view()->setBytes(script);
        tidyKey();
        QCOMPARE(view()->bytes(), QByteArray("my $x = 1;\nif ($x) { print \"a\" }\n"));
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view()->bytes(), script);
        // With a selection only the selected lines change.
        view()->setBytes("my $a=1;\nmy $b=2;\nmy $c=3;\n");
        view()->setSelection(1, 0, 2, 0);
        tidyKey();
        QCOMPARE(view()->bytes(), QByteArray("my $a=1;\nmy $b = 2;\nmy $c=3;\n"));
    }

    void tidyFailureTellsAndKeepsText_data()
    {
        QTest::addColumn<QString>("program");   // empty: the installed one
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("told");
        QTest::newRow("unbalanced brace") << QString() << QByteArray("if($x{print\"a\"}\n") << u"not changed"_s;
        QTest::newRow("tool missing") << u"/nonexistent/perltidy"_s << QByteArray("my $x=1;\n")
                                      << u"Debian package perltidy"_s;
    }

    void tidyFailureTellsAndKeepsText()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, text);
        QFETCH(QString, told);
        if (!program.isEmpty())
            tools()->setToolProgram(u"perltidy"_s, program);
        view()->setBytes(text);
        QString shown;
        answerNextMessageBox(QMessageBox::Ok, &shown);
        tidyKey();
        QTRY_VERIFY(shown.contains(told));
        QCOMPARE(view()->bytes(), text);
        if (program.isEmpty())
            return;
        // A missing tool is told in a box once; after that only the status bar says it.
        QVERIFY(QTest::qWaitForWindowActive(m_fx.frame.get()));
        tidyKey();
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY2(m_fx->statusText().contains(told), qPrintable(m_fx->statusText()));
    }

    void f1ShowsPerldoc()
    {
        tools()->setBrowserProgram(u"/bin/true"_s);
        view()->setBytes("frobnicatezz();\npush @a, 1;\n");
        view()->setCursorPosition(0, 2);
        QTest::keyClick(view(), Qt::Key_F1);
        QCOMPARE(tools()->lastHelpPage(), QString());
        QCOMPARE(m_fx->statusText(), u"No documentation found for frobnicatezz"_s);
        view()->setCursorPosition(1, 2);
        QTest::keyClick(view(), Qt::Key_F1);
        QVERIFY(CTestEnvironment::readFile(tools()->lastHelpPage()).contains("push ARRAY"));
    }

    void outlineFiltersAndGoes()
    {
        view()->setBytes("package Shop;\nsub new { }\nsub add_item { }\n\nsub total { }\nsub add_tax { }\n");
        QTest::keyClick(view(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        COutlinePanel *panel = tools()->outline();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->shownEntries().size(), 5);
        // Keys typed where the focus is (the list) filter it.
        QTest::keyClicks(QApplication::focusWidget(), u"add"_s);
        QCOMPARE(panel->filter()->text(), u"add"_s);
        QCOMPARE(panel->shownEntries(), (QStringList{u"sub add_item (3)"_s, u"sub add_tax (6)"_s}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(caretLine(), 6);
        QCOMPARE(QApplication::focusWidget(), view());
        // A change shows up after the pause.
        view()->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        typeScript("sub add_more { }\n");
        QTRY_COMPARE(panel->shownEntries().size(), 3);
        QTest::keyClick(view(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!panel->isVisible());
    }

    void outlineDoubleClickGoes()
    {
        view()->setBytes("sub one { }\n\n\nsub two { }\n");
        action(ID_VIEW_OUTLINE)->trigger();
        QListWidget *list = tools()->outline()->list();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        QCOMPARE(list->count(), 2);
        const QPoint at = list->visualItemRect(list->item(1)).center();
        // A double click starts with a click, as the user's does.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(caretLine(), 4);
    }

    void criticListsAndGoes()
    {
        CViewPreferences::setCriticSeverity(5);
        view()->setBytes("#!/usr/bin/perl\nprint 'a';\nopen(FH, '<', 'x');\n");
        action(ID_SCRIPT_CRITIC)->trigger();
        CCriticPanel *panel = tools()->critic();
        QVERIFY(panel->isVisible());
        QTreeWidget *list = panel->list();
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + u' ' + list->topLevelItem(i)->text(2).section(u"::"_s, -1);
        QCOMPARE(rows, (QStringList{u"2 RequireUseStrict"_s, u"3 ProhibitBarewordFileHandles"_s}));
        QCOMPARE(view()->markerFindNext(0, 1 << CCriticPanel::FindingMarker), 1);
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(caretLine(), 3);
    }
};

QTEST_MAIN(TestPerlToolsCommands)
#include "tst_perltoolscommands.moc"
