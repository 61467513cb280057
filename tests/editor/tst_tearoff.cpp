#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "editor/CTearOffFrame.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

// Tear Off: a read-only snapshot of the script in a window of its own.
class TestTearOff : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void snapshotShowsText_data();
    void snapshotShowsText();
    void stripAndFont();
    void laterEditsLeaveSnapshot();
    void twoWindowsIndependent();
    void closedWithTheFrame();

private:
    QList<CTearOffFrame *> tearOffs() const;
    CTearOffFrame *tearOff();

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestTearOff::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    CTestEnvironment::writeFile(m_env->path(QStringLiteral("OSTRAK.FNL")), "abs,Absolute,abs($x);\n");
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->OnFileNew();
}

void TestTearOff::cleanup()
{
    if (m_frame)
        m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

QList<CTearOffFrame *> TestTearOff::tearOffs() const
{
    QList<CTearOffFrame *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *t = qobject_cast<CTearOffFrame *>(w))
            found << t;
    }
    return found;
}

CTearOffFrame *TestTearOff::tearOff()
{
    const QList<CTearOffFrame *> before = tearOffs();
    m_frame->action(ID_VIEW_TEAR_OFF)->trigger();
    for (CTearOffFrame *t : tearOffs()) {
        if (!before.contains(t))
            return t;
    }
    return nullptr;
}

void TestTearOff::snapshotShowsText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty script") << QByteArray() << QString();
    QTest::newRow("CR LF") << QByteArray("#!/usr/bin/perl\r\nprint 1;\r\n") << "#!/usr/bin/perl\nprint 1;\n";
    QTest::newRow("LF") << QByteArray("a\nb") << "a\nb";
    QTest::newRow("lone CR") << QByteArray("a\rb") << "a\nb";
    QTest::newRow("UTF-8") << QByteArray("print \"caf\xc3\xa9\";") << "print \"caf\u00e9\";";
}

void TestTearOff::snapshotShowsText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    m_frame->view()->setBytes(bytes);
    CTearOffFrame *window = tearOff();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
    QVERIFY(window->edit()->isReadOnly());
    QCOMPARE(window->edit()->toPlainText(), shown);
    QVERIFY(window->parentWidget() == nullptr);   // a window of its own, not the frame's
}

void TestTearOff::stripAndFont()
{
    const QString path = m_env->path(QStringLiteral("script.pl"));
    CTestEnvironment::writeFile(path, "print 1;\n");
    QVERIFY(m_frame->OpenDocumentFile(path));
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(19);
    m_env->app().setEditorFont(font);

    CTearOffFrame *window = tearOff();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("script.pl"));
    QCOMPARE(window->edit()->font().pixelSize(), 19);
    QCOMPARE(window->edit()->font().family(), font.family());

    window->resize(400, 300);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->edit()->geometry(), QRect(20, 0, 380, 300));
    const QImage image = window->grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(150, 160, 160));
    QCOMPARE(image.pixelColor(19, 299), QColor(150, 160, 160));
    QVERIFY(image.pixelColor(21, 150) != QColor(150, 160, 160));
}

void TestTearOff::laterEditsLeaveSnapshot()
{
    m_frame->view()->setBytes("before\n");
    CTearOffFrame *window = tearOff();
    QVERIFY(window);
    m_frame->view()->replaceSelectionBytes("typed ");
    m_frame->document()->setModified(false);
    QVERIFY(m_frame->OnFileNew());
    QCOMPARE(window->edit()->toPlainText(), QStringLiteral("before\n"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
}

void TestTearOff::twoWindowsIndependent()
{
    m_frame->view()->setBytes("one\n");
    QPointer<CTearOffFrame> first = tearOff();
    m_frame->view()->setBytes("two\n");
    QPointer<CTearOffFrame> second = tearOff();
    QVERIFY(first && second && first != second);
    QCOMPARE(first->edit()->toPlainText(), QStringLiteral("one\n"));
    QCOMPARE(second->edit()->toPlainText(), QStringLiteral("two\n"));
    QVERIFY(first->close());
    QTRY_VERIFY(first.isNull());   // a closed window deletes itself
    QVERIFY(second && second->isVisible());
}

void TestTearOff::closedWithTheFrame()
{
    QPointer<CTearOffFrame> window = tearOff();
    QVERIFY(window);
    QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));   // it does not keep the program running
    m_frame.reset();
    QVERIFY(window.isNull());
}

QTEST_MAIN(TestTearOff)
#include "tst_tearoff.moc"
