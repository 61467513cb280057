#include "CModalHandler.h"
#include "CFrameFixture.h"

#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/COstrakView.h"
#include "editor/CPerlFunctionsDlg.h"
#include "editor/CTextTableModel.h"
#include "editor/CVariablesDlg.h"

#include <QAction>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

static const QByteArray kFunctions = "abs,Absolute value of a number,my $distance = abs($x - $y);\n"
                                     "join,Join strings,my $s = join(', ', @parts);\n"
                                     "print,print \"hello\";\n"
                                     ",skipped,x\n"
                                     "no comma\n";

// The variable lists, the predefined variables and the Perl functions window,
// driven through the main frame's commands.
class TestReferenceWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_fx.close(); }

    void variableWindows_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("names");   // of the first rows
        QTest::addColumn<QStringList>("lastRow");
        const QByteArray script = "my $x = 1;\r\nmy @list = ($y);\r\nmy %h = ();\r\nprint $x;\r\n";
        QTest::newRow("scalars") << int(ID_VIEW_SCALARS) << script << 3 << QStringList{"$x ", "$y", "$x"}
                                 << QStringList{"$x", "    4", " "};
        QTest::newRow("arrays") << int(ID_VIEW_ARRAYS) << script << 1 << QStringList{"@list "}
                                << QStringList{"@list ", "    2", " "};
        QTest::newRow("hashes") << int(ID_VIEW_HASHES) << script << 1 << QStringList{"%h "}
                                << QStringList{"%h ", "    3", " "};
        QTest::newRow("special") << int(ID_VIEW_SPECIAL) << script << 29 << QStringList{"$_", "$!"}
                                 << QStringList{"$ARGV", "", "Current file name"};
        QByteArray many;
        for (int i = 0; i < 100000; ++i)
            many += "$v" + QByteArray::number(i) + ";\n";
        QTest::newRow("100,000 variables") << int(ID_VIEW_SCALARS) << many << 100000 << QStringList{"$v0", "$v1"}
                                           << QStringList{"$v99999", "100000", " "};
    }

    void variableWindows()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, script);
        QFETCH(int, rows);
        QFETCH(QStringList, names);
        QFETCH(QStringList, lastRow);
        makeFrame(kFunctions).view()->setBytes(script);
        withVariablesWindow(command, [&](CVariablesDlg *dialog) {
            QAbstractItemModel *model = dialog->model();
            QCOMPARE(model->rowCount(), rows);
            QStringList shownLast;
            for (int c = 0; c < model->columnCount(); ++c)
                shownLast << model->index(rows - 1, c).data().toString();
            QCOMPARE(shownLast, lastRow);
            QCOMPARE(column(model, 0).mid(0, names.size()), names);
            QVERIFY(dialog->list()->hasFocus() || dialog->focusWidget() == dialog->list());
            // The list fills the resized window.
            dialog->resize(700, 500);
            QTRY_COMPARE(dialog->list()->width(), dialog->width());
            QCOMPARE(dialog->list()->geometry().bottom(), dialog->rect().bottom());
        });
    }

    void functionsWindowReadAtStartUp()
    {
        makeFrame(kFunctions);
        CPerlFunctionsDlg *window = functionsWindow();
        QVERIFY(window && window->isHidden());
        QCOMPARE(column(window->model(), 0), (QStringList{"abs", "join", "print"}));

        // Later changes to the file wait for the next start.
        CTestEnvironment::writeFile(m_fx.env->path(QStringLiteral("OSTRAK.FNL")), QByteArray());
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(window->model()->rowCount(), 3);

        // The close box and "&Close" hide the window; it keeps its list.
        QVERIFY(window->close());
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        window->findChild<QAction *>(QStringLiteral("command%1").arg(ID_WINDOW_CLOSE_FUNCTIONS))->trigger();
        QVERIFY(window->isHidden());
        QCOMPARE(functionsWindow(), window);
        QCOMPARE(window->model()->rowCount(), 3);
    }

    void clicksOnTemplate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selEnd");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("caret, CR LF script") << "a\r\nb\r\n"_ba << 3 << 3 << 0 << true
                                             << "a\r\nmy $distance = abs($x - $y);\r\nb\r\n"_ba;
        QTest::newRow("selection replaced") << "x = OLD;\n"_ba << 4 << 7 << 0 << true
                                            << "x = my $distance = abs($x - $y);\n;\n"_ba;
        QTest::newRow("empty script gets CR LF") << ""_ba << 0 << 0 << 2 << true << "print,print \"hello\";\r\n"_ba;
        QTest::newRow("left and right clicks insert nothing") << "keep\n"_ba << 0 << 0 << 0 << false << "keep\n"_ba;
    }

    // A user's double-click: a click, then the second press that the
    // platform reports as a double-click.
    void clicksOnTemplate()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, selStart);
        QFETCH(int, selEnd);
        QFETCH(int, row);
        QFETCH(bool, doubleClick);
        QFETCH(QByteArray, expected);
        COstrakView *view = makeFrame(kFunctions).view();
        view->setBytes(text);
        view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);
        CPerlFunctionsDlg *window = showFunctionsWindow();
        QVERIFY(window);
        QWidget *cells = window->list()->viewport();
        const QPoint cell = window->list()->visualRect(window->model()->index(row, 0)).center();
        QTest::mouseClick(cells, Qt::LeftButton, {}, cell);
        if (doubleClick)
            QTest::mouseDClick(cells, Qt::LeftButton, {}, cell);
        else
            QTest::mouseClick(cells, Qt::RightButton, {}, cell);
        QCOMPARE(view->bytes(), expected);
        QCOMPARE(window->isVisible(), !doubleClick);
        if (!doubleClick)
            return;
        // The caret follows the insertion, and one Undo takes it back.
        const qsizetype caret = view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        QCOMPARE(caret, qsizetype(selStart) + expected.size() - text.size() + (selEnd - selStart));
        view->undo();
        QCOMPARE(view->bytes(), text);
    }

    void missingFileReportedOnce()
    {
        makeFrame(QByteArray());
        const auto boxes = [this] { return m_fx->findChildren<QMessageBox *>(u"functionsFileMissing"_s); };
        QCOMPARE(boxes().size(), 1);
        QMessageBox *box = boxes().first();
        QCOMPARE(box->text(), QStringLiteral("File containing functions list not found."));
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(boxes().isEmpty());

        // Every later showing is an empty list without a message.
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        QVERIFY(functionsWindow()->isVisible() && functionsWindow()->model()->rowCount() == 0);
        QVERIFY(boxes().isEmpty());
    }

private:
    CMainFrame &makeFrame(const QByteArray &functions) { return m_fx.open(functions); }

    CPerlFunctionsDlg *functionsWindow() const
    {
        return m_fx->findChild<CEditorWindows *>()->functionsWindow();
    }

    CPerlFunctionsDlg *showFunctionsWindow()
    {
        m_fx->show();
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        CPerlFunctionsDlg *window = functionsWindow();
        return QTest::qWaitForWindowExposed(window) ? window : nullptr;
    }

    // Runs `command` and hands the variables window it opens to `check`.
    void withVariablesWindow(int command, std::function<void(CVariablesDlg *)> check)
    {
        bool seen = false;
        handleNextModal([&](QWidget *w) {
            if (auto *dialog = qobject_cast<CVariablesDlg *>(w)) {
                seen = true;
                check(dialog);
            }
            // "&Window" > "&Close" ends the window.
            QAction *close = w->findChild<QAction *>(QStringLiteral("command33016"));
            QVERIFY(close);
            close->trigger();
        });
        m_fx->action(command)->trigger();
        QVERIFY(seen);
    }

    static QStringList column(const QAbstractItemModel *model, int col)
    {
        QStringList cells;
        for (int r = 0; r < model->rowCount(); ++r)
            cells << model->index(r, col).data().toString();
        return cells;
    }

    CFrameFixture m_fx;
};

QTEST_MAIN(TestReferenceWindows)
#include "tst_referencewindows.moc"
