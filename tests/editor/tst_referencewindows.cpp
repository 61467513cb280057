#include "CModalHandler.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "editor/CPerlFunctionsDlg.h"
#include "editor/CPredefinedVariables.h"
#include "editor/CTextTableModel.h"
#include "editor/CVariablesDlg.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>

// The variable lists, the predefined variables and the Perl functions window,
// driven through the main frame's commands.
class TestReferenceWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void predefinedTable_data();
    void predefinedTable();
    void specialWindowShowsTable();
    void variableWindows_data();
    void variableWindows();
    void listFillsResizedWindow();
    void hundredThousandVariablesOpen();

    void functionsWindowReadAtStartUp();
    void doubleClickInsertsTemplate_data();
    void doubleClickInsertsTemplate();
    void singleClickInsertsNothing();
    void closeBoxAndCloseCommandHide();
    void missingFileReportedOnce();

private:
    // A frame over a program folder holding `functions` as OSTRAK.FNL
    // (no file at all when `functions` is null).
    CMainFrame &makeFrame(const QByteArray &functions);
    CPerlFunctionsDlg *functionsWindow() const;
    // Runs `command` and hands the variables window it opens to `check`.
    void withVariablesWindow(int command, std::function<void(CVariablesDlg *)> check);

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

static const QByteArray kFunctions = "abs,Absolute value of a number,my $distance = abs($x - $y);\n"
                                     "join,Join strings,my $s = join(', ', @parts);\n"
                                     "print,print \"hello\";\n"
                                     ",skipped,x\n"
                                     "no comma\n";

void TestReferenceWindows::cleanup()
{
    if (m_frame)
        m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

CMainFrame &TestReferenceWindows::makeFrame(const QByteArray &functions)
{
    m_env = std::make_unique<CTestEnvironment>();
    if (!functions.isNull())
        CTestEnvironment::writeFile(m_env->path(QStringLiteral("OSTRAK.FNL")), functions);
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->OnFileNew();
    return *m_frame;
}

CPerlFunctionsDlg *TestReferenceWindows::functionsWindow() const
{
    return m_frame->findChild<CEditorWindows *>()->functionsWindow();
}

void TestReferenceWindows::withVariablesWindow(int command, std::function<void(CVariablesDlg *)> check)
{
    bool seen = false;
    handleNextModal([&](QWidget *w) {
        auto *dialog = qobject_cast<CVariablesDlg *>(w);
        if (dialog) {
            seen = true;
            check(dialog);
        }
        // "&Window" > "&Close" ends the window.
        QAction *close = w->findChild<QAction *>(QStringLiteral("command33016"));
        QVERIFY(close);
        close->trigger();
    });
    m_frame->action(command)->trigger();
    QVERIFY(seen);
}

void TestReferenceWindows::predefinedTable_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("description");
    QTest::newRow("first") << 0 << "$_" << "" << "Default Search space";
    QTest::newRow("backquote") << 3 << "$`" << "$PREMATCH" << "String preceding last successful pattern match";
    QTest::newRow("apostrophe") << 4 << "$'" << "$POSTMATCH" << "String following last successful pattern match";
    QTest::newRow("bar") << 8 << "$|" << "$OUTPUT_AUTOFLUSH"
                         << "Forces output to be committed upon every write/print if true.";
    QTest::newRow("double quote") << 10 << "$\"" << "$LIST_SEPARATOR"
                                  << "Separator character when a list is interpolated (converted) into a string";
    QTest::newRow("no English name") << 17 << "$[" << "" << "Index of the first element in an array";
    QTest::newRow("blank description") << 20 << "$^F" << "$SYSTEM_FD_MAX" << " ";
    QTest::newRow("second blank") << 22 << "$^I" << "$INPLACE_EDIT" << " ";
    QTest::newRow("last") << 28 << "$ARGV" << "" << "Current file name";
}

void TestReferenceWindows::predefinedTable()
{
    QFETCH(int, row);
    QFETCH(QString, symbol);
    QFETCH(QString, english);
    QFETCH(QString, description);
    const auto &table = CPredefinedVariables::table();
    QCOMPARE(table.size(), size_t(29));
    QCOMPARE(QString::fromUtf8(table[row].symbol), symbol);
    QCOMPARE(QString::fromUtf8(table[row].english), english);
    QCOMPARE(QString::fromUtf8(table[row].description), description);
}

void TestReferenceWindows::specialWindowShowsTable()
{
    makeFrame(kFunctions);
    withVariablesWindow(ID_VIEW_SPECIAL, [](CVariablesDlg *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("List special variables"));
        QAbstractItemModel *model = dialog->model();
        QCOMPARE(model->rowCount(), 29);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Symbol"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("English"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Description"));
        QCOMPARE(dialog->list()->header()->sectionSize(0), 75);
        QCOMPARE(dialog->list()->header()->sectionSize(1), 185);
        QCOMPARE(dialog->list()->header()->sectionSize(2), 450);
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("$ERRNO or $OS_ERROR"));
        QCOMPARE(model->index(28, 0).data().toString(), QStringLiteral("$ARGV"));
    });
}

void TestReferenceWindows::variableWindows_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("firstColumn");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("scalars") << int(ID_VIEW_SCALARS) << "List of Scalar variables" << "Scalar"
                             << QStringList{"$x ", "$y", "$x"};
    QTest::newRow("arrays") << int(ID_VIEW_ARRAYS) << "List of Array variables" << "Array"
                            << QStringList{"@list "};
    QTest::newRow("hashes") << int(ID_VIEW_HASHES) << "List of Hash variables" << "Hash"
                            << QStringList{"%h "};
}

void TestReferenceWindows::variableWindows()
{
    QFETCH(int, command);
    QFETCH(QString, title);
    QFETCH(QString, firstColumn);
    QFETCH(QStringList, names);
    CMainFrame &frame = makeFrame(kFunctions);
    frame.view()->setBytes("my $x = 1;\r\nmy @list = ($y);\r\nmy %h = ();\r\nprint $x;\r\n");
    withVariablesWindow(command, [&](CVariablesDlg *dialog) {
        QCOMPARE(dialog->windowTitle(), title);
        QAbstractItemModel *model = dialog->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), firstColumn);
        QCOMPARE(dialog->list()->header()->sectionSize(0), 180);
        QCOMPARE(dialog->list()->header()->sectionSize(1), 100);
        QCOMPARE(dialog->list()->header()->sectionSize(2), 200);
        QStringList shown;
        for (int r = 0; r < model->rowCount(); ++r)
            shown << model->index(r, 0).data().toString();
        QCOMPARE(shown, names);
        QVERIFY(dialog->list()->hasFocus() || dialog->focusWidget() == dialog->list());
    });
}

void TestReferenceWindows::listFillsResizedWindow()
{
    CMainFrame &frame = makeFrame(kFunctions);
    frame.view()->setBytes("$a;");
    withVariablesWindow(ID_VIEW_SCALARS, [](CVariablesDlg *dialog) {
        auto *menuBar = dialog->findChild<QMenuBar *>();
        QVERIFY(menuBar);
        QCOMPARE(menuBar->actions().first()->text(), QStringLiteral("&Window"));
        dialog->resize(700, 500);
        QTRY_COMPARE(dialog->list()->width(), dialog->width());
        QCOMPARE(dialog->list()->geometry().bottom(), dialog->rect().bottom());
        QCOMPARE(dialog->list()->x(), 0);
    });
}

void TestReferenceWindows::hundredThousandVariablesOpen()
{
    CMainFrame &frame = makeFrame(kFunctions);
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += "$v" + QByteArray::number(i) + ";\n";
    frame.view()->setBytes(text);
    withVariablesWindow(ID_VIEW_SCALARS, [](CVariablesDlg *dialog) {
        QAbstractItemModel *model = dialog->model();
        QCOMPARE(model->rowCount(), 100000);
        QCOMPARE(model->index(99999, 0).data().toString(), QStringLiteral("$v99999"));
        QCOMPARE(model->index(99999, 1).data().toString(), QStringLiteral("100000"));
        dialog->list()->scrollToBottom();
    });
}

void TestReferenceWindows::functionsWindowReadAtStartUp()
{
    makeFrame(kFunctions);
    CPerlFunctionsDlg *window = functionsWindow();
    QVERIFY(window);
    QVERIFY(window->isHidden());
    QCOMPARE(window->windowTitle(), QStringLiteral("Perl functions"));
    QCOMPARE(window->model()->rowCount(), 3);
    QCOMPARE(window->model()->text(1, 2), QStringLiteral("my $s = join(', ', @parts);"));
    QCOMPARE(window->model()->text(2, 1), QString());
    QCOMPARE(window->model()->text(2, 2), QStringLiteral("print,print \"hello\";"));
    QCOMPARE(window->list()->header()->sectionSize(0), 175);
    QCOMPARE(window->list()->header()->sectionSize(1), 350);
    QCOMPARE(window->list()->header()->sectionSize(2), 350);

    // Later changes to the file wait for the next start.
    CTestEnvironment::writeFile(m_env->path(QStringLiteral("OSTRAK.FNL")), QByteArray());
    m_frame->action(ID_VIEW_FUNCTIONS)->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->model()->rowCount(), 3);
}

void TestReferenceWindows::doubleClickInsertsTemplate_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("caret, CR LF script") << QByteArray("a\r\nb\r\n") << 3 << 3 << 0
                                         << QByteArray("a\r\nmy $distance = abs($x - $y);\r\nb\r\n");
    QTest::newRow("caret, LF script") << QByteArray("a\nb\n") << 2 << 2 << 1
                                      << QByteArray("a\nmy $s = join(', ', @parts);\nb\n");
    QTest::newRow("selection replaced") << QByteArray("x = OLD;\n") << 4 << 7 << 0
                                        << QByteArray("x = my $distance = abs($x - $y);\n;\n");
    QTest::newRow("empty script gets CR LF") << QByteArray() << 0 << 0 << 2
                                             << QByteArray("print,print \"hello\";\r\n");
}

void TestReferenceWindows::doubleClickInsertsTemplate()
{
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(int, row);
    QFETCH(QByteArray, expected);
    CMainFrame &frame = makeFrame(kFunctions);
    frame.show();
    COstrakView *view = frame.view();
    view->setBytes(text);
    view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);

    frame.action(ID_VIEW_FUNCTIONS)->trigger();
    CPerlFunctionsDlg *window = functionsWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTreeView *list = window->list();
    const QRect cell = list->visualRect(window->model()->index(row, 0));
    QVERIFY(cell.isValid());
    // A user's double-click: a click, then the second press that the
    // platform reports as a double-click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());

    QCOMPARE(view->bytes(), expected);
    QCOMPARE(window->chosenTemplate(), window->model()->text(row, CPerlFunctionsDlg::kTemplateColumn));
    QVERIFY(window->isHidden());
    // The caret follows the insertion, and one Undo takes it back.
    const qsizetype caret = view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    QCOMPARE(caret, qsizetype(selStart) + expected.size() - text.size() + (selEnd - selStart));
    view->undo();
    QCOMPARE(view->bytes(), text);
}

void TestReferenceWindows::singleClickInsertsNothing()
{
    CMainFrame &frame = makeFrame(kFunctions);
    frame.show();
    frame.view()->setBytes("keep\n");
    frame.action(ID_VIEW_FUNCTIONS)->trigger();
    CPerlFunctionsDlg *window = functionsWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect cell = window->list()->visualRect(window->model()->index(0, 0));
    QTest::mouseClick(window->list()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseClick(window->list()->viewport(), Qt::RightButton, {}, cell.center());
    QCOMPARE(frame.view()->bytes(), QByteArray("keep\n"));
    QVERIFY(window->isVisible());
}

void TestReferenceWindows::closeBoxAndCloseCommandHide()
{
    makeFrame(kFunctions);
    CPerlFunctionsDlg *window = functionsWindow();
    m_frame->action(ID_VIEW_FUNCTIONS)->trigger();
    QVERIFY(window->isVisible());
    QVERIFY(window->close());   // the close box
    QVERIFY(window->isHidden());
    QCOMPARE(functionsWindow(), window);

    m_frame->action(ID_VIEW_FUNCTIONS)->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->model()->rowCount(), 3);
    QAction *close = window->findChild<QAction *>(QStringLiteral("command%1").arg(ID_WINDOW_CLOSE_FUNCTIONS));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("&Close"));
    close->trigger();
    QVERIFY(window->isHidden());
    QCOMPARE(window->model()->rowCount(), 3);
}

void TestReferenceWindows::missingFileReportedOnce()
{
    makeFrame(QByteArray());
    const QList<QMessageBox *> boxes = m_frame->findChildren<QMessageBox *>(QStringLiteral("functionsFileMissing"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first()->text(), QStringLiteral("File containing functions list not found."));
    QCOMPARE(boxes.first()->icon(), QMessageBox::Critical);
    QCOMPARE(boxes.first()->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    boxes.first()->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(m_frame->findChildren<QMessageBox *>(QStringLiteral("functionsFileMissing")).isEmpty());

    // Every later showing is an empty list without a message.
    CPerlFunctionsDlg *window = functionsWindow();
    m_frame->action(ID_VIEW_FUNCTIONS)->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->model()->rowCount(), 0);
    QVERIFY(m_frame->findChildren<QMessageBox *>(QStringLiteral("functionsFileMissing")).isEmpty());
}

QTEST_MAIN(TestReferenceWindows)
#include "tst_referencewindows.moc"
