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
    void init()
    {
        m_env = std::make_unique<CTestEnvironment>();
        CTestEnvironment::writeFile(m_env->path(QStringLiteral("OSTRAK.FNL")), "abs,Absolute,abs($x);\n");
        m_frame = std::make_unique<CMainFrame>(m_env->app());
        m_frame->OnFileNew();
    }

    void cleanup()
    {
        m_frame.reset();
        m_env.reset();
    }

    void enablingRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("html") << "page.html" << true;
        QTest::newRow("htm") << "page.htm" << true;
        QTest::newRow("only the ending") << ".htm" << true;
        QTest::newRow("upper-case HTM") << "page.HTM" << false;
        QTest::newRow("further extension") << "page.htm.bak" << false;
        QTest::newRow("xhtml") << "page.xhtml" << false;
        QTest::newRow("no dot") << "pagehtml" << false;
        QTest::newRow("never saved") << "" << false;
    }

    // The rule on a path, and the command on the script saved there.
    void enablingRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        const QString path = name.isEmpty() ? QString() : m_env->path(name);
        QCOMPARE(CInBrowserRule::isEnabled(path), enabled);
        if (!path.isEmpty())
            QCOMPARE(m_frame->document()->OnSaveDocument(path), QString());
        QCOMPARE(m_frame->action(ID_VIEW_IN_BROWSER)->isEnabled(), enabled);
        QVERIFY(m_frame->OnFileNew());
        QVERIFY(!m_frame->action(ID_VIEW_IN_BROWSER)->isEnabled());
    }

    void showsFileOnDisk_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain name") << "page.html";
        QTest::newRow("name with # and %") << "a #1 100%.htm";
    }

    void showsFileOnDisk()
    {
        QFETCH(QString, fileName);
        const QString path = m_env->path(fileName);
        CTestEnvironment::writeFile(path, "<html><head><title>Greeting</title></head>"
                                          "<body><p>Hello from disk</p></body></html>\n");
        QVERIFY(m_frame->OpenDocumentFile(path));
        // Unsaved edits are not what the browser shows.
        m_frame->view()->setBytes("<html><body>unsaved</body></html>", false);

        QPointer<CWebFrame> browser = openBrowser();
        QVERIFY(browser && browser->isVisible());
        QVERIFY(!browser->parentWidget());   // a window of its own
        QSignalSpy loaded(browser->view(), &QWebEngineView::loadFinished);
        QCOMPARE(browser->windowTitle(), m_frame->document()->pathName());
        QVERIFY(loaded.wait(60000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QCOMPARE(browser->view()->url(), QUrl::fromLocalFile(path));
        QCOMPARE(browser->view()->title(), QStringLiteral("Greeting"));
        auto text = std::make_shared<QString>();
        browser->view()->page()->toPlainText([text](const QString &t) { *text = t; });
        QTRY_COMPARE_WITH_TIMEOUT(text->trimmed(), QStringLiteral("Hello from disk"), 20000);

        // Each use opens a window; a closed one deletes itself, the rest go with the frame.
        QPointer<CWebFrame> second = openBrowser();
        QVERIFY(second && second != browser);
        QSignalSpy secondLoaded(second->view(), &QWebEngineView::loadFinished);
        QVERIFY(secondLoaded.wait(60000));
        browser->close();
        QTRY_VERIFY(browser.isNull());
        m_frame.reset();
        QVERIFY(second.isNull());
    }

private:
    CWebFrame *openBrowser()
    {
        QAction *inBrowser = m_frame->action(ID_VIEW_IN_BROWSER);
        if (!inBrowser->isEnabled())
            return nullptr;
        inBrowser->trigger();
        return m_frame->findChild<CEditorWindows *>()->lastWebFrame();
    }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

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
