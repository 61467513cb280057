#include "CModalHandler.h"
#include "CFrameFixture.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/CInBrowserRule.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "browser/CWebFrame.h"
#include "browser/CWebPageView.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
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
        openFrame(m_env, m_frame);
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
        CWebFrame browser(path);
        browser.show();
        QSignalSpy loaded(browser.view(), &QWebEngineView::loadFinished);
        QCOMPARE(browser.windowTitle(), path);
        QVERIFY(loaded.wait(60000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QCOMPARE(browser.view()->url(), QUrl::fromLocalFile(path));
        QCOMPARE(browser.view()->title(), QStringLiteral("Greeting"));
        auto text = std::make_shared<QString>();
        browser.view()->page()->toPlainText([text](const QString &t) { *text = t; });
        QTRY_COMPARE_WITH_TIMEOUT(text->trimmed(), QStringLiteral("Hello from disk"), 20000);
    }

    // In Browser starts a browser process of its own on the saved file (not
    // the editor's unsaved text); each use starts another; they go with the frame.
    void inBrowserStartsBrowserProcesses()
    {
        const QString path = m_env->path(QStringLiteral("page.html"));
        CTestEnvironment::writeFile(path, "<html><body>on disk</body></html>\n");
        QVERIFY(m_frame->OpenDocumentFile(path));
        m_frame->view()->setBytes("<html><body>unsaved</body></html>", false);
        auto *windows = m_frame->findChild<CEditorWindows *>();
        windows->setBrowserProgram(QStringLiteral(OSTRAK_BIN_DIR "/ostrak-browser"));

        QList<QPointer<QProcess>> browsers;
        for (int i = 0; i < 2; ++i) {
            m_frame->action(ID_VIEW_IN_BROWSER)->trigger();
            QPointer<QProcess> browser = windows->lastBrowser();
            QVERIFY(browser);
            QVERIFY(!browsers.contains(browser));
            QCOMPARE(browser->arguments(), QStringList{path});
            QByteArray out;
            QTRY_VERIFY_WITH_TIMEOUT((out += browser->readAllStandardOutput()).contains("loaded true"), 60000);
            browsers << browser;
        }
        const qint64 pid = browsers.first()->processId();
        m_frame.reset();
        QVERIFY(browsers.first().isNull());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1/cmdline").arg(pid))
                || CTestEnvironment::readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).isEmpty());
    }

    void missingBrowserProgramIsReported()
    {
        const QString path = m_env->path(QStringLiteral("page.htm"));
        CTestEnvironment::writeFile(path, "<html></html>\n");
        QVERIFY(m_frame->OpenDocumentFile(path));
        auto *windows = m_frame->findChild<CEditorWindows *>();
        windows->setBrowserProgram(m_env->path(QStringLiteral("no-such-browser")));
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        m_frame->action(ID_VIEW_IN_BROWSER)->trigger();
        QCOMPARE(text, QStringLiteral("Could not run ") + m_env->path(QStringLiteral("no-such-browser")) + " " + path);
        QVERIFY(!windows->lastBrowser());
    }

private:
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
