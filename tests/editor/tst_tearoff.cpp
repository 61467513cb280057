#include "CFrameFixture.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
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
    void init()
    {
        openFrame(m_env, m_frame);
    }

    void cleanup()
    {
        m_frame.reset();
        m_env.reset();
    }

    void snapshotShowsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty script") << QByteArray("") << QString();
        QTest::newRow("CR LF") << QByteArray("#!/usr/bin/perl\r\nprint 1;\r\n") << "#!/usr/bin/perl\nprint 1;\n";
        QTest::newRow("LF") << QByteArray("a\nb") << "a\nb";
        QTest::newRow("lone CR") << QByteArray("a\rb") << "a\nb";
        QTest::newRow("UTF-8") << QByteArray("print \"caf\xc3\xa9\";") << "print \"caf\u00e9\";";
    }

    void snapshotShowsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        CTearOffFrame *window = tearOff(bytes);
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Untitled"));
        QVERIFY(window->edit()->isReadOnly());
        QCOMPARE(window->edit()->toPlainText(), shown);
    }

    void stripAndFont()
    {
        const QString path = m_env->path(QStringLiteral("script.pl"));
        CTestEnvironment::writeFile(path, "print 1;\n");
        QVERIFY(m_frame->OpenDocumentFile(path));
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(19);
        m_env->app().setEditorFont(font);

        CTearOffFrame *window = tearOff(QByteArray());
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("script.pl"));
        QCOMPARE(window->edit()->font().pixelSize(), 19);
        QCOMPARE(window->edit()->font().family(), font.family());
        // A grey strip of 20 pixels down the left edge, the text beside it.
        window->resize(400, 300);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->edit()->geometry(), QRect(20, 0, 380, 300));
        const QImage image = window->grab().toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(150, 160, 160));
        QCOMPARE(image.pixelColor(19, 299), QColor(150, 160, 160));
        QVERIFY(image.pixelColor(21, 150) != QColor(150, 160, 160));
    }

    // Each use opens a window of its own that later edits leave as it was.
    void snapshotsIndependent()
    {
        QPointer<CTearOffFrame> first = tearOff("one\n");
        QPointer<CTearOffFrame> second = tearOff("two\n");
        QVERIFY(first && second && first != second && !first->parentWidget());
        QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose));   // it does not keep the program running
        m_frame->view()->replaceSelectionBytes("typed ");
        QCOMPARE(first->edit()->toPlainText(), QStringLiteral("one\n"));
        QCOMPARE(second->edit()->toPlainText(), QStringLiteral("two\n"));
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());   // a closed window deletes itself
        m_frame.reset();   // the rest go with the frame
        QVERIFY(second.isNull());
    }

private:
    // Tears off the script of `bytes` and returns the new window.
    CTearOffFrame *tearOff(const QByteArray &bytes)
    {
        if (!bytes.isNull())
            m_frame->view()->setBytes(bytes);
        const QWidgetList before = QApplication::topLevelWidgets();
        m_frame->action(ID_VIEW_TEAR_OFF)->trigger();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *t = qobject_cast<CTearOffFrame *>(w); t && !before.contains(w))
                return t;
        }
        return nullptr;
    }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(TestTearOff)
#include "tst_tearoff.moc"
