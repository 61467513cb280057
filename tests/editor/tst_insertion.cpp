#include "CTestEnvironment.h"

#include "app/CCommandTable.h"
#include "app/CMainFrame.h"
#include "app/COperatorsPalette.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QTest>
#include <QToolBar>
#include <QToolButton>

// The 55 insertion commands, clicked on the real toolbar and palette buttons.
class TestInsertion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void insertion_data();
    void insertion();
    void everyButtonInsertsAndUndoes();
    void buttonsShowTheirTexts_data();
    void buttonsShowTheirTexts();

private:
    QToolButton *button(int id) const;
    void click(int id);
    void setText(const QByteArray &text, int selStart, int selEnd);

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestInsertion::initTestCase()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->OnFileNew();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
}

void TestInsertion::cleanupTestCase()
{
    m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

void TestInsertion::init()
{
    m_frame->document()->setModified(false);
}

QToolButton *TestInsertion::button(int id) const
{
    if (QWidget *w = m_frame->scriptingToolBar()->widgetForAction(m_frame->action(id)))
        return qobject_cast<QToolButton *>(w);
    for (QToolButton *b : m_frame->operatorsPalette()->buttons()) {
        if (b->defaultAction() == m_frame->action(id))
            return b;
    }
    return nullptr;
}

void TestInsertion::click(int id)
{
    QToolButton *b = button(id);
    QVERIFY2(b, qPrintable(QString::number(id)));
    QVERIFY(b->isVisible() && b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestInsertion::setText(const QByteArray &text, int selStart, int selEnd)
{
    COstrakView *view = m_frame->view();
    view->setBytes(text);
    view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);
}

void TestInsertion::insertion_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("single quotes around abc") << 32939 << QByteArray("x abc y") << 2 << 5
                                              << QByteArray("x  'abc'  y");
    QTest::newRow("double quotes around abc") << 32938 << QByteArray("abc") << 0 << 3
                                              << QByteArray(" \"abc\" ");
    QTest::newRow("list around abc") << 32936 << QByteArray("abc") << 0 << 3 << QByteArray(" (abc) ");
    QTest::newRow("subscript around abc") << 32937 << QByteArray("$a abc") << 3 << 6 << QByteArray("$a [abc]");
    QTest::newRow("single quotes, nothing selected") << 32939 << QByteArray("ab") << 1 << 1
                                                     << QByteArray("a '' b");
    QTest::newRow("subscript, nothing selected") << 32937 << QByteArray("$a") << 2 << 2 << QByteArray("$a[]");
    QTest::newRow("assignment replaces abc") << 32935 << QByteArray("$x abc 1") << 3 << 6
                                             << QByteArray("$x  =  1");
    QTest::newRow("pattern match at the caret") << 32962 << QByteArray("$s/x/") << 2 << 2
                                                << QByteArray("$s =~ /x/");
    QTest::newRow("range, no blanks") << 32950 << QByteArray("1 5") << 1 << 2 << QByteArray("1..5");
    QTest::newRow("and, no blanks") << 32953 << QByteArray("ab") << 1 << 1 << QByteArray("a&&b");
    QTest::newRow("negation") << 32954 << QByteArray("") << 0 << 0 << QByteArray(" !");
    QTest::newRow("comma") << 32995 << QByteArray("ab") << 1 << 1 << QByteArray("a, b");
    QTest::newRow("conditional") << 32957 << QByteArray("") << 0 << 0
                                 << QByteArray(" (condition) ? (iftrue) : (iffalse)");
    QTest::newRow("last") << 33002 << QByteArray("") << 0 << 0 << QByteArray(" last ");
    QTest::newRow("if template at column 1 of an empty line")
        << 32780 << QByteArray("#!\r\n\r\n") << 4 << 4
        << QByteArray("#!\r\n\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\n\r\n");
    QTest::newRow("if template in the middle of a line")
        << 32780 << QByteArray("ab\r\n") << 1 << 1 << QByteArray("a\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\nb\r\n");
    QTest::newRow("template in an LF document") << 32781 << QByteArray("x\n") << 2 << 2
                                                << QByteArray("x\n\twhile ( ) {\n\t}\n");
    QTest::newRow("template replaces the selection") << 33007 << QByteArray("abc") << 0 << 3
                                                     << QByteArray("\t{\r\n\t}\r\n");
    QTest::newRow("do while") << 33006 << QByteArray("") << 0 << 0
                              << QByteArray("\tdo {\r\n\t} while ( ) ;\r\n");
    QTest::newRow("foreach") << 32993 << QByteArray("") << 0 << 0
                             << QByteArray("\tforeach $item (@list ) {\r\n\t}\r\n");
    QTest::newRow("wrap keeps multi-byte and odd bytes")
        << 32938 << QByteArray("\xc3\xa9\xff") << 0 << 3 << QByteArray(" \"\xc3\xa9\xff\" ");
}

void TestInsertion::insertion()
{
    QFETCH(int, id);
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QByteArray, expected);
    // The caret ends after the inserted text, before what followed the selection.
    const long caret = expected.size() - (text.size() - selEnd);

    COstrakView *view = m_frame->view();
    setText(text, selStart, selEnd);
    click(id);
    QCOMPARE(view->bytes(), expected);
    QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), caret);
    QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETANCHOR), caret);
    QVERIFY(m_frame->document()->isModified());
    view->undo();
    QCOMPARE(view->bytes(), text);
}

void TestInsertion::everyButtonInsertsAndUndoes()
{
    std::vector<int> ids = CCommandTable::scriptingToolbar();
    ids.insert(ids.end(), CCommandTable::operatorsToolbar().begin(), CCommandTable::operatorsToolbar().end());
    QCOMPARE(ids.size(), size_t(55));
    QSet<QByteArray> results;
    COstrakView *view = m_frame->view();
    for (int id : ids) {
        setText("L abc R", 2, 5);
        click(id);
        const QByteArray after = view->bytes();
        QVERIFY2(after.startsWith("L ") && after.endsWith(" R"), after.constData());
        QVERIFY2(!after.contains('\n') || after.contains("\r\n"), after.constData());   // the document's CR LF
        results.insert(after);
        view->undo();
        QCOMPARE(view->bytes(), QByteArray("L abc R"));
    }
    // No two commands insert the same thing.
    QCOMPARE(results.size(), 55);
}

void TestInsertion::buttonsShowTheirTexts_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("if") << 32780 << "if then else " << "Add an if block statement to the current location";
    QTest::newRow("block") << 33007 << "Insert a block of code {}" << "A Block of code";
    QTest::newRow("pattern") << 32962 << "Pattern matched" << "Pattern matching";
    QTest::newRow("bitwise xor") << 32967 << "Bitwise XOR " << "Bitwise XOR";
    QTest::newRow("comma") << 32995 << "Comma operator" << "Comma operator used often to separate items in a list.";
}

void TestInsertion::buttonsShowTheirTexts()
{
    QFETCH(int, id);
    QFETCH(QString, tip);
    QFETCH(QString, prompt);
    QToolButton *b = button(id);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), tip);
    QCOMPARE(b->statusTip(), prompt);
}

QTEST_MAIN(TestInsertion)
#include "tst_insertion.moc"
