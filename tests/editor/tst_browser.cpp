#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/CInBrowserRule.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "editor/CWebFrame.h"
#include "editor/CWebPageView.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

// In Browser: its enabling rule and the browser window on the saved file.
class TestBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void enablingRule_data();
    void enablingRule();
    void actionFollowsDocumentPath();
    void showsFileOnDisk_data();
    void showsFileOnDisk();
    void eachUseOpensAWindow();

private:
    QString pageText(QWebEnginePage *page);
    CWebFrame *openBrowser();

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestBrowser::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    CTestEnvironment::writeFile(m_env->path(QStringLiteral("OSTRAK.FNL")), "abs,Absolute,abs($x);\n");
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->OnFileNew();
}

void TestBrowser::cleanup()
{
    if (m_frame)
        m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

QString TestBrowser::pageText(QWebEnginePage *page)
{
    QString text;
    bool done = false;
    page->toPlainText([&](const QString &t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return QStringLiteral("<no answer>");
    return text;
}

CWebFrame *TestBrowser::openBrowser()
{
    QAction *inBrowser = m_frame->action(ID_VIEW_IN_BROWSER);
    if (!inBrowser->isEnabled())
        return nullptr;
    inBrowser->trigger();
    return m_frame->findChild<CEditorWindows *>()->lastWebFrame();
}

void TestBrowser::enablingRule_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("html") << "/home/u/page.html" << true;
    QTest::newRow("htm") << "/home/u/page.htm" << true;
    QTest::newRow("only the ending") << "/home/u/.htm" << true;
    QTest::newRow("upper-case HTM") << "/home/u/page.HTM" << false;
    QTest::newRow("mixed case Html") << "/home/u/page.Html" << false;
    QTest::newRow("further extension") << "/home/u/page.htm.bak" << false;
    QTest::newRow("xhtml") << "/home/u/page.xhtml" << false;
    QTest::newRow("no dot") << "/home/u/pagehtml" << false;
    QTest::newRow("perl script") << "/home/u/script.pl" << false;
    QTest::newRow("never saved") << "" << false;
}

void TestBrowser::enablingRule()
{
    QFETCH(QString, path);
    QFETCH(bool, enabled);
    QCOMPARE(CInBrowserRule::isEnabled(path), enabled);
}

void TestBrowser::actionFollowsDocumentPath()
{
    QAction *inBrowser = m_frame->action(ID_VIEW_IN_BROWSER);
    QVERIFY(!inBrowser->isEnabled());   // a new document has no path

    QCOMPARE(m_frame->document()->OnSaveDocument(m_env->path(QStringLiteral("page.html"))), QString());
    QVERIFY(inBrowser->isEnabled());

    const QString upper = m_env->path(QStringLiteral("PAGE.HTM"));
    CTestEnvironment::writeFile(upper, "<p>x</p>");
    QVERIFY(m_frame->OpenDocumentFile(upper));
    QVERIFY(!inBrowser->isEnabled());

    const QString htm = m_env->path(QStringLiteral("page.htm"));
    CTestEnvironment::writeFile(htm, "<p>x</p>");
    QVERIFY(m_frame->OpenDocumentFile(htm));
    QVERIFY(inBrowser->isEnabled());

    QVERIFY(m_frame->OnFileNew());
    QVERIFY(!inBrowser->isEnabled());
}

void TestBrowser::showsFileOnDisk_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain name") << "page.html";
    QTest::newRow("name with # and %") << "a #1 100%.htm";
}

void TestBrowser::showsFileOnDisk()
{
    QFETCH(QString, fileName);
    const QString path = m_env->path(fileName);
    CTestEnvironment::writeFile(path, "<html><head><title>Greeting</title></head>"
                                      "<body><p>Hello from disk</p></body></html>\n");
    QVERIFY(m_frame->OpenDocumentFile(path));
    // Unsaved edits are not what the browser shows.
    m_frame->view()->setBytes("<html><body>unsaved</body></html>", false);

    QPointer<CWebFrame> browser = openBrowser();
    QVERIFY(browser);
    QSignalSpy loaded(browser->view(), &QWebEngineView::loadFinished);
    QVERIFY(browser->isVisible());
    QCOMPARE(browser->windowTitle(), m_frame->document()->pathName());
    QVERIFY(loaded.wait(60000));
    QCOMPARE(loaded.first().first().toBool(), true);
    QCOMPARE(browser->view()->url(), QUrl::fromLocalFile(path));
    QCOMPARE(browser->view()->title(), QStringLiteral("Greeting"));
    QCOMPARE(pageText(browser->view()->page()).trimmed(), QStringLiteral("Hello from disk"));

    browser->close();
    QTRY_VERIFY(browser.isNull());   // a closed window deletes itself
}

void TestBrowser::eachUseOpensAWindow()
{
    const QString path = m_env->path(QStringLiteral("page.html"));
    CTestEnvironment::writeFile(path, "<p>one</p>");
    QVERIFY(m_frame->OpenDocumentFile(path));
    QPointer<CWebFrame> first = openBrowser();
    QPointer<CWebFrame> second = openBrowser();
    QVERIFY(first && second && first != second);
    QVERIFY(first->isVisible() && second->isVisible());
    QVERIFY(first->parentWidget() == nullptr);   // windows of their own
    QSignalSpy loaded(second->view(), &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(60000));
    // Browser windows still open go with the main frame.
    m_frame.reset();
    QVERIFY(first.isNull() && second.isNull());
}

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QApplication app(argc, argv);
    TestBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
