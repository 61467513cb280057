#include "CRunCommandsFixture.h"

#include "debug/CBreakpointMargin.h"
#include "debug/CDebugController.h"
#include "debug/CDebugPanels.h"
#include "debug/CVariablesTree.h"

namespace {

const QByteArray kScript = "my $a = 1;\n"           // 1
                           "my $b = 2;\n"           // 2
                           "my %h = (k => [1, 2]);\n"  // 3
                           "my $c = $a + $b;\n"     // 4
                           "print \"$c\\n\";\n";    // 5

QTreeWidgetItem *row(QTreeWidget *tree, const QString &name)
{
    const QList<QTreeWidgetItem *> found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestDebugWindow : public QObject
{
    Q_OBJECT

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_fx->frame->view(), Qt::Key(key), modifiers);
    }
    bool startDebugging()
    {
        press(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        return m_controller->session() && QTest::qWaitFor([this] { return m_controller->session()->isStopped(); }, 20000);
    }
    // The point of the breakpoint margin beside line `line` (from 1).
    QPoint marginPoint(int line) const
    {
        COstrakView *view = m_fx->frame->view();
        int x = 0;
        for (int margin = 0; margin < CBreakpointMargin::Margin; ++margin)
            x += view->marginWidth(margin);
        const long position = view->positionFromLineIndex(line - 1, 0);
        const int y = int(view->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, position));
        return {x + view->marginWidth(CBreakpointMargin::Margin) / 2, y + view->textHeight(line - 1) / 2};
    }

    std::unique_ptr<CRunCommandsFixture> m_fx;
    CDebugController *m_controller = nullptr;

private slots:
    void init()
    {
        m_fx = std::make_unique<CRunCommandsFixture>(QStringList{"RUN_IN_DOS_WINDOW=N"});
        m_controller = m_fx->frame->findChild<CDebugController *>();
        QVERIFY(m_controller);
        m_controller->m_showMessage = [this](const QString &text) { m_fx->messages << text; };
        // Keys reach the frame's shortcuts only in the active window.
        m_fx->frame->show();
        QVERIFY(QTest::qWaitForWindowActive(m_fx->frame.get()));
    }
    void cleanup() { m_fx.reset(); }

    void marginClickF10AndVariables()
    {
        QVERIFY(!m_fx->openScript("dbg.pl", kScript).isEmpty());
        COstrakView *view = m_fx->frame->view();
        view->setFocus();

        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, marginPoint(3));
        QVERIFY(m_controller->margin()->hasBreakpoint(3));
        QVERIFY(!m_controller->action(CDebugController::StepOver)->isEnabled());

        QVERIFY(startDebugging());
        QTRY_COMPARE(m_controller->margin()->currentLine(), 1);
        QVERIFY(m_fx->messages.isEmpty());

        // F5 continues while stopped (and would run the script otherwise).
        press(Qt::Key_F5);
        QTRY_COMPARE_WITH_TIMEOUT(m_controller->margin()->currentLine(), 3, 20000);
        press(Qt::Key_F10);
        QTRY_COMPARE_WITH_TIMEOUT(m_controller->margin()->currentLine(), 4, 20000);
        QVERIFY(m_controller->action(CDebugController::StepOver)->isEnabled());
        QVERIFY(!m_controller->action(CDebugController::Pause)->isEnabled());

        CVariablesTree *variables = m_controller->panels()->variablesView();
        QTRY_VERIFY(row(variables, "%h") && row(variables, "$b"));
        QCOMPARE(row(variables, "$b")->text(1), QStringLiteral("2"));
        QTreeWidgetItem *k = row(variables, "{k}");
        QVERIFY(k);
        QCOMPARE(k->text(1), QStringLiteral("ARRAY (2)"));
        QCOMPARE(k->child(1)->text(1), QStringLiteral("2"));
        QTRY_COMPARE(m_controller->panels()->stackView()->topLevelItemCount(), 1);
        QVERIFY(m_controller->panels()->docks().first()->isVisible());

        // An edit makes the session stale; the breakpoint stays.
        press(Qt::Key_X);
        QVERIFY(m_controller->isStale());
        QVERIFY(m_controller->stateLabel()->text().startsWith(QStringLiteral("Stale")));

        press(Qt::Key_F5, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(m_controller->session()->state(), CPerlDebugSession::Ended, 20000);
        QCOMPARE(m_controller->margin()->currentLine(), 0);
        QVERIFY(!m_controller->action(CDebugController::Stop)->isEnabled());
        QVERIFY(m_controller->margin()->hasBreakpoint(3));
    }

    // As in a run: the saved input on standard input, prompts unbuffered, the
    // user's PERL5OPT kept; the script's output in the Output panel.
    void scriptInputAndPromptModuleReachTheScript()
    {
        qputenv("PERL5OPT", "-MData::Dumper");
        const auto restore = qScopeGuard([] { qunsetenv("PERL5OPT"); });
        m_fx->commands->scriptInput().setInput("typed\n");
        QVERIFY(!m_fx->openScript("flags.pl", "BEGIN { print 'q? '; print length(scalar <STDIN>), ($| ? ' unbuffered' : ''),"
                                              " (defined &Data::Dumper::Dumper ? ' user' : ''), \"\\n\" }\nprint \"end\\n\";\n")
                     .isEmpty());
        QVERIFY(startDebugging());
        press(Qt::Key_F5);
        QTRY_COMPARE_WITH_TIMEOUT(m_controller->session()->state(), CPerlDebugSession::Ended, 20000);
        CTerminalPane *output = m_controller->panels()->outputPane();
        QTRY_COMPARE(output->toPlainText().left(output->outputEnd()), QStringLiteral("q? 6 unbuffered user\nend\n"));
        QVERIFY(m_fx->messages.isEmpty());
    }

    void breakpointsMoveWithEdits_data()
    {
        QTest::addColumn<int>("editLine");     // where the caret goes (from 1)
        QTest::addColumn<QString>("keys");     // typed there; "<" is Backspace at the line start
        QTest::addColumn<int>("expected");
        QTest::newRow("two lines inserted above") << 1 << "\n\n" << 5;
        QTest::newRow("line joined above") << 2 << "<" << 2;
        QTest::newRow("lines inserted below") << 4 << "\n\n" << 3;
        QTest::newRow("typing on the line") << 3 << "abc" << 3;
    }

    void breakpointsMoveWithEdits()
    {
        QFETCH(int, editLine);
        QFETCH(QString, keys);
        QFETCH(int, expected);
        QVERIFY(!m_fx->openScript("move.pl", kScript).isEmpty());
        COstrakView *view = m_fx->frame->view();
        view->setFocus();
        view->setCursorPosition(2, 0);
        press(Qt::Key_F9);
        QVERIFY(m_controller->margin()->hasBreakpoint(3));
        view->setCursorPosition(editLine - 1, 0);
        for (const QChar c : keys) {
            if (c == u'<')
                press(Qt::Key_Backspace);
            else if (c == u'\n')
                press(Qt::Key_Return);
            else
                QTest::keyClicks(view, QString(c));
        }
        const QList<CDebugBreakpoint> list = m_controller->margin()->breakpoints("/x.pl");
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.first().line, expected);
        QCOMPARE(list.first().file, QStringLiteral("/x.pl"));
        // F9 on the moved line takes it away again.
        view->setCursorPosition(expected - 1, 0);
        press(Qt::Key_F9);
        QVERIFY(m_controller->margin()->breakpoints("/x.pl").isEmpty());
    }
};

QTEST_MAIN(TestDebugWindow)
#include "tst_debugwindow.moc"
