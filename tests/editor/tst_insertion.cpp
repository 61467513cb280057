#include "CTestEnvironment.h"

#include "app/CCommandTable.h"
#include "app/CMainFrame.h"
#include "app/COperatorsPalette.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

// The 55 insertion commands, clicked on the real toolbar and palette buttons.
class TestInsertion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<CTestEnvironment>();
        m_frame = std::make_unique<CMainFrame>(m_env->app());
        m_frame->OnFileNew();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanupTestCase()
    {
        m_frame->document()->setModified(false);
        m_frame.reset();
        m_env.reset();
    }

    void insertion_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selEnd");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("single quotes around abc") << 32939 << "x abc y"_ba << 2 << 5 << "x  'abc'  y"_ba;
        QTest::newRow("double quotes around abc") << 32938 << "abc"_ba << 0 << 3 << " \"abc\" "_ba;
        QTest::newRow("list around abc") << 32936 << "abc"_ba << 0 << 3 << " (abc) "_ba;
        QTest::newRow("subscript around abc") << 32937 << "$a abc"_ba << 3 << 6 << "$a [abc]"_ba;
        QTest::newRow("single quotes, nothing selected") << 32939 << "ab"_ba << 1 << 1 << "a '' b"_ba;
        QTest::newRow("subscript, nothing selected") << 32937 << "$a"_ba << 2 << 2 << "$a[]"_ba;
        QTest::newRow("wrap keeps multi-byte and odd bytes") << 32938 << "\xc3\xa9\xff"_ba << 0 << 3
                                                             << " \"\xc3\xa9\xff\" "_ba;
        QTest::newRow("assignment replaces abc") << 32935 << "$x abc 1"_ba << 3 << 6 << "$x  =  1"_ba;
        QTest::newRow("pattern match at the caret") << 32962 << "$s/x/"_ba << 2 << 2 << "$s =~ /x/"_ba;
        QTest::newRow("if template at column 1 of an empty line")
            << 32780 << "#!\r\n\r\n"_ba << 4 << 4 << "#!\r\n\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\n\r\n"_ba;
        QTest::newRow("if template in the middle of a line")
            << 32780 << "ab\r\n"_ba << 1 << 1 << "a\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\nb\r\n"_ba;
        QTest::newRow("template in an LF document") << 32781 << "x\n"_ba << 2 << 2 << "x\n\twhile ( ) {\n\t}\n"_ba;
        QTest::newRow("template replaces the selection") << 33007 << "abc"_ba << 0 << 3 << "\t{\r\n\t}\r\n"_ba;
    }

    void insertion()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, text);
        QFETCH(int, selStart);
        QFETCH(int, selEnd);
        QFETCH(QByteArray, expected);
        COstrakView *view = m_frame->view();
        click(id, text, selStart, selEnd);
        QCOMPARE(view->bytes(), expected);
        // The caret ends after the inserted text, before what followed the selection.
        const long caret = expected.size() - (text.size() - selEnd);
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), caret);
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETANCHOR), caret);
        QVERIFY(m_frame->document()->isModified());
        view->undo();
        QCOMPARE(view->bytes(), text);
    }

    void everyButtonInsertsAndUndoes()
    {
        std::vector<int> ids = CCommandTable::scriptingToolbar();
        ids.insert(ids.end(), CCommandTable::operatorsToolbar().begin(), CCommandTable::operatorsToolbar().end());
        QCOMPARE(ids.size(), size_t(55));
        QSet<QByteArray> results;   // no two commands insert the same thing
        for (int id : ids) {
            click(id, "L abc R", 2, 5);
            const QByteArray after = m_frame->view()->bytes();
            QVERIFY2(after.startsWith("L ") && after.endsWith(" R"), after.constData());
            QVERIFY2(!after.contains('\n') || after.contains("\r\n"), after.constData());   // the document's CR LF
            results.insert(after);
            m_frame->view()->undo();
            QCOMPARE(m_frame->view()->bytes(), "L abc R"_ba);
        }
        QCOMPARE(results.size(), 55);
    }

private:
    // Selects selStart..selEnd of `text` and clicks the button of command `id`.
    void click(int id, const QByteArray &text, int selStart, int selEnd)
    {
        m_frame->view()->setBytes(text);
        m_frame->view()->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);
        m_frame->document()->setModified(false);
        auto *b = qobject_cast<QToolButton *>(m_frame->scriptingToolBar()->widgetForAction(m_frame->action(id)));
        for (QToolButton *p : m_frame->operatorsPalette()->buttons())
            b = p->defaultAction() == m_frame->action(id) ? p : b;
        QVERIFY2(b && b->isVisible() && b->isEnabled(), qPrintable(QString::number(id)));
        QTest::mouseClick(b, Qt::LeftButton);
    }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(TestInsertion)
#include "tst_insertion.moc"
