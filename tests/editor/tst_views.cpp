#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "browser/CWebFrame.h"
#include "browser/CWebPageView.h"
#include "editor/CEditorWindows.h"
#include "editor/CInBrowserRule.h"
#include "editor/COstrakView.h"
#include "editor/CTearOffFrame.h"

#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

// Tear Off, a read-only snapshot of the script, and In Browser, the saved
// file in a browser window of its own.
class TestViews : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fx.open(); }
    void cleanup() { m_fx.close(); }

    void snapshotShowsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("#!/usr/bin/perl\r\nprint 1;\r\n") << "#!/usr/bin/perl\nprint 1;\n";
        QTest::newRow("lone CR") << QByteArray("a\rb") << "a\nb";
        QTest::newRow("UTF-8") << QByteArray("print \"caf\xc3\xa9\";") << "print \"caf\u00e9\";";
    }

    void snapshotShowsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        CTearOffFrame *window = tearOff(bytes);
        QVERIFY(window && window->isVisible() && window->edit()->isReadOnly());
        QCOMPARE(window->edit()->toPlainText(), shown);
    }

    void stripAndFont()
    {
        const QString path = m_fx.env->path(QStringLiteral("script.pl"));
        CTestEnvironment::writeFile(path, "print 1;\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(19);
        m_fx.env->app().setEditorFont(font);

        CTearOffFrame *window = tearOff(QByteArray());
        QVERIFY(window && window->windowTitle() == QStringLiteral("script.pl"));
        QCOMPARE(window->edit()->font(), font);
        // A grey strip of 20 pixels down the left edge, the text beside it.
        window->resize(400, 300);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->edit()->geometry(), QRect(20, 0, 380, 300));
        QCOMPARE(window->grab().toImage().pixelColor(19, 299), QColor(150, 160, 160));
    }

    // Each use opens a window of its own that later edits leave as it was.
    void snapshotsIndependent()
    {
        QPointer<CTearOffFrame> first = tearOff("one\n");
        QPointer<CTearOffFrame> second = tearOff("two\n");
        QVERIFY(first && second && first != second && !first->parentWidget());
        QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose));   // it does not keep the program running
        m_fx->view()->replaceSelectionBytes("typed ");
        QCOMPARE(first->edit()->toPlainText(), QStringLiteral("one\n"));
        QCOMPARE(second->edit()->toPlainText(), QStringLiteral("two\n"));
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());   // a closed window deletes itself
        m_fx.frame.reset();   // the rest go with the frame
        QVERIFY(second.isNull());
    }

    void enablingRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("html") << "page.html" << true;
        QTest::newRow("only the ending") << ".htm" << true;
        QTest::newRow("upper-case HTM") << "page.HTM" << false;
        QTest::newRow("further extension") << "page.htm.bak" << false;
        QTest::newRow("xhtml") << "page.xhtml" << false;
        QTest::newRow("never saved") << "" << false;
    }

    // The rule on a path, and the command on the script saved there.
    void enablingRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        const QString path = name.isEmpty() ? QString() : m_fx.env->path(name);
        QCOMPARE(CInBrowserRule::isEnabled(path), enabled);
        if (!path.isEmpty())
            QCOMPARE(m_fx->document()->OnSaveDocument(path), QString());
        QCOMPARE(m_fx->action(ID_VIEW_IN_BROWSER)->isEnabled(), enabled);
        QVERIFY(m_fx->OnFileNew());
        QVERIFY(!m_fx->action(ID_VIEW_IN_BROWSER)->isEnabled());
    }

    void showsFileOnDisk()
    {
        const QString path = m_fx.env->path("a #1 100%.htm");
        CTestEnvironment::writeFile(path, "<html><head><title>Greeting</title></head>"
                                          "<body><p>Hello from disk</p></body></html>\n");
        CWebFrame browser(path);
        browser.show();
        QSignalSpy loaded(browser.view(), &QWebEngineView::loadFinished);
        QCOMPARE(browser.windowTitle(), path);
        QVERIFY(loaded.wait(60000) && loaded.first().first().toBool());
        auto text = std::make_shared<QString>();
        browser.view()->page()->toPlainText([text](const QString &t) { *text = t; });
        QTRY_COMPARE_WITH_TIMEOUT(text->trimmed(), QStringLiteral("Hello from disk"), 20000);
    }

    // In Browser starts a browser process of its own on the saved file (not
    // the editor's unsaved text); each use starts another; they go with the frame.
    void inBrowserStartsBrowserProcesses()
    {
        const QString path = m_fx.env->path(QStringLiteral("page.html"));
        CTestEnvironment::writeFile(path, "<html><body>on disk</body></html>\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        m_fx->view()->setBytes("<html><body>unsaved</body></html>", false);
        auto *windows = m_fx->findChild<CEditorWindows *>();
        windows->setBrowserProgram(QStringLiteral(OSTRAK_BIN_DIR "/ostrak-browser"));

        QList<QPointer<QProcess>> browsers;
        for (int i = 0; i < 2; ++i) {
            m_fx->action(ID_VIEW_IN_BROWSER)->trigger();
            QPointer<QProcess> browser = windows->lastBrowser();
            QVERIFY(browser && !browsers.contains(browser));
            QCOMPARE(browser->arguments(), QStringList{path});
            QByteArray out;
            QTRY_VERIFY_WITH_TIMEOUT((out += browser->readAllStandardOutput()).contains("loaded true"), 60000);
            browsers << browser;
        }
        const qint64 pid = browsers.first()->processId();
        m_fx.frame.reset();
        QVERIFY(browsers.first().isNull());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1/cmdline").arg(pid))
                || CTestEnvironment::readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).isEmpty());
    }

    void missingBrowserProgramIsReported()
    {
        const QString path = m_fx.env->path(QStringLiteral("page.htm"));
        CTestEnvironment::writeFile(path, "<html></html>\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        auto *windows = m_fx->findChild<CEditorWindows *>();
        windows->setBrowserProgram(m_fx.env->path(QStringLiteral("no-such-browser")));
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        m_fx->action(ID_VIEW_IN_BROWSER)->trigger();
        QCOMPARE(text, QStringLiteral("Could not run ") + m_fx.env->path(QStringLiteral("no-such-browser")) + " " + path);
        QVERIFY(!windows->lastBrowser());
    }

private:
    // Tears off the script of `bytes` and returns the new window.
    CTearOffFrame *tearOff(const QByteArray &bytes)
    {
        if (!bytes.isNull())
            m_fx->view()->setBytes(bytes);
        const QWidgetList before = QApplication::topLevelWidgets();
        m_fx->action(ID_VIEW_TEAR_OFF)->trigger();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *t = qobject_cast<CTearOffFrame *>(w); t && !before.contains(w))
                return t;
        }
        return nullptr;
    }

    CFrameFixture m_fx;
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QApplication app(argc, argv);
    TestViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_views.moc"
