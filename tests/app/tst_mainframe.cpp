#include "CModalHandler.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/COperatorsPalette.h"
#include "app/COstrakApp.h"
#include "app/CToolbarArt.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QFontDialog>
#include <QMenu>
#include <QMenuBar>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CTestEnvironment>();
        m_frame = std::make_unique<CMainFrame>(m_env->app());
    }

    void cleanup()
    {
        m_frame.reset();
        m_env.reset();
    }

    void initialGeometry_data()
    {
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("1024 by 768") << QRect(0, 0, 1024, 768) << QRect(170, 128, 682, 512);
        QTest::newRow("divisions truncate") << QRect(0, 0, 1366, 768) << QRect(227, 128, 910, 512);
        QTest::newRow("desktop not at the origin") << QRect(1920, 0, 1280, 1024) << QRect(2133, 170, 852, 682);
        QTest::newRow("tiny") << QRect(0, 0, 2, 2) << QRect(0, 0, 0, 0);
    }

    void initialGeometry()
    {
        QFETCH(QRect, desktop);
        QFETCH(QRect, expected);
        QCOMPARE(CMainFrame::initialGeometry(desktop), expected);
    }

    void shownFrameAndPalette()
    {
        COperatorsPalette *palette = m_frame->operatorsPalette();
        QVERIFY(palette->isHidden());   // floats once the frame is shown
        const QRect expected = CMainFrame::initialGeometry(m_frame->screen()->geometry());
        showFrame();
        QCOMPARE(m_frame->geometry(), expected);
        QVERIFY(palette->isVisible() && palette->isWindow());
        QCOMPARE(palette->pos(), QPoint(m_frame->frameGeometry().right() + 3, m_frame->frameGeometry().top()));

        // 44 buttons in rows of three, in button order: 15 rows, the last of two.
        const QList<QToolButton *> buttons = palette->buttons();
        QCOMPARE(buttons.size(), 44);
        QCOMPARE(buttons.first()->defaultAction(), m_frame->action(32962));
        QCOMPARE(buttons.last()->defaultAction(), m_frame->action(32995));
        QSet<int> rowTops;
        for (int i = 0; i < buttons.size(); ++i) {
            const QRect g = buttons[i]->geometry();
            rowTops.insert(g.top());
            if (i % 3)   // beside its left neighbour
                QVERIFY(g.top() == buttons[i - 1]->y() && g.left() > buttons[i - 1]->geometry().right());
            else if (i)   // below the row before, at the left edge
                QVERIFY(g.top() > buttons[i - 3]->geometry().bottom() && g.left() == buttons[0]->x());
        }
        QCOMPARE(rowTops.size(), 15);

        // Every toolbar button shows a picture of its size.
        const std::pair<QToolBar *, QSize> bars[] = {{m_frame->mainToolBar(), CToolbarArt::kMainButton},
                                                     {m_frame->scriptingToolBar(), CToolbarArt::kScriptingButton}};
        for (const auto &[bar, size] : bars) {
            for (QAction *a : bar->actions()) {
                const QImage image = a->icon().pixmap(size).toImage();
                QImage blank(size, image.format());
                blank.fill(Qt::transparent);
                QVERIFY2(a->isSeparator() || (image.size() == size && image != blank), qPrintable(a->objectName()));
            }
        }
    }

    void checkMarksFollowVisibility_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("target");   // index into the bars below
        QTest::newRow("Toolbar: the main toolbar only") << int(ID_VIEW_TOOLBAR) << 0;
        QTest::newRow("scripting toolbar") << int(ID_VIEW_SCRIPTING_TOOLBAR) << 1;
        QTest::newRow("operators palette") << int(ID_VIEW_OPERATORS) << 2;
        QTest::newRow("status bar") << int(ID_VIEW_STATUS_BAR) << 3;
    }

    void checkMarksFollowVisibility()
    {
        QFETCH(int, command);
        QFETCH(int, target);
        showFrame();
        const QList<QWidget *> bars{m_frame->mainToolBar(), m_frame->scriptingToolBar(), m_frame->operatorsPalette(),
                                    m_frame->statusBar()};
        QAction *action = m_frame->action(command);
        QVERIFY(action->isChecked());
        action->trigger();
        QVERIFY(!action->isChecked());
        for (int i = 0; i < bars.size(); ++i)
            QCOMPARE(bars[i]->isVisible(), i != target);
        action->trigger();
        QVERIFY(action->isChecked());
        QVERIFY(bars[target]->isVisible());
        // Closed by its own window: the mark follows.
        if (command == ID_VIEW_OPERATORS) {
            m_frame->operatorsPalette()->close();
            QVERIFY(!action->isChecked());
        }
    }

    void disabledItems()
    {
        QList<QAction *> inMenus;   // greyed, but in their menus
        for (QAction *top : m_frame->menuBar()->actions())
            inMenus += top->menu()->actions();
        for (int id : {int(ID_SCRIPT_RUN_IN_BROWSER), int(ID_TOOLS_INPUT_DESIGNER)})
            QVERIFY(!m_frame->action(id)->isEnabled() && inMenus.contains(m_frame->action(id)));
        for (int id : {32780, 32962, 32995, int(ID_VIEW_FONT), int(ID_TOOLS_DOS_WINDOW)})
            QVERIFY(m_frame->action(id)->isEnabled());
    }

    void caretPane()
    {
        QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   0, Col=  0"));
        m_env->app().setCaretPosition(12, 5);
        QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =  12, Col=  5"));
        m_env->app().setCaretPosition(12345, 1000);
        QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line = 12345, Col=1000"));
        m_frame->OnFileNew();
        QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   1, Col=  1"));
        m_frame->view()->setBytes("abc\r\nde");
        QTest::keyClick(m_frame->view(), Qt::Key_End);
        QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   1, Col=  4"));
        // Lock indicators are blank where the platform cannot tell.
        for (int id : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})
            QCOMPARE(m_frame->indicatorText(id), QString());
    }

    void promptsWhileHighlighted()
    {
        showFrame();
        QCOMPARE(m_frame->statusText(), QStringLiteral("Ready"));
        // A main toolbar button, and a palette button in a window of its own.
        const std::pair<QWidget *, QString> buttons[] = {
            {m_frame->mainToolBar()->widgetForAction(m_frame->action(ID_FILE_NEW)), "Create a new document"},
            {m_frame->operatorsPalette()->buttons().first(), "Pattern matching"}};
        for (const auto &[button, prompt] : buttons) {
            QEvent enter(QEvent::Enter), leave(QEvent::Leave);
            QCoreApplication::sendEvent(button, &enter);
            QCOMPARE(m_frame->statusText(), prompt);
            QCoreApplication::sendEvent(button, &leave);
            QCOMPARE(m_frame->statusText(), QStringLiteral("Ready"));
        }
        QMenu *file = m_frame->menuBar()->actions().first()->menu();
        file->popup(m_frame->mapToGlobal(QPoint(10, 10)));
        file->setActiveAction(m_frame->action(ID_FILE_OPEN));
        QCOMPARE(m_frame->statusText(), QStringLiteral("Open an existing document"));
        file->close();
    }

    // Settings changed since the last New reach the view at the next one.
    void newScriptTakesSettings()
    {
        m_env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=4"});
        m_frame->OnFileNew();
        m_frame->show();
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        m_env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=2", "REMOTE_PERL_EXE=/usr/bin/perl",
                            "VIEW_FONT=-19,0,0,0,400,0,0,0,0,0,0,0,49,DejaVu Sans Mono"});
        m_frame->view()->setFocus();
        m_frame->view()->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(m_frame->view(), Qt::Key_Tab);
        QCOMPARE(m_frame->view()->bytes(), "#!\r\n    "_ba);
        m_frame->document()->setModified(false);
        QVERIFY(m_frame->OnFileNew());
        QCOMPARE(m_frame->view()->font().pixelSize(), 19);
        m_frame->view()->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(m_frame->view(), Qt::Key_Tab);
        QCOMPARE(m_frame->view()->bytes(), "#!/usr/bin/perl\r\n  "_ba);

        bool opened = false;
        handleNextModal([&opened](QWidget *w) {
            opened = qobject_cast<QFontDialog *>(w) != nullptr;
            static_cast<QDialog *>(w)->reject();
        });
        QTest::keyClick(m_frame->view(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(opened);
        QCOMPARE(m_frame->view()->bytes(), "#!/usr/bin/perl\r\n  "_ba);   // the key typed nothing
    }

    void dosWindow()
    {
        const QProcessEnvironment before = QProcessEnvironment::systemEnvironment();
        const auto restore = qScopeGuard([&before] {
            for (const char *name : {"TERMINAL", "SHELL", "PATH"})
                before.contains(name) ? qputenv(name, before.value(name).toLocal8Bit()) : qunsetenv(name);
        });
        QTemporaryDir dir;
        const QString record = dir.filePath(QStringLiteral("args"));
        const QString terminal = dir.filePath(QStringLiteral("fake-terminal"));
        CTestEnvironment::writeFile(terminal, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n");
        QFile::setPermissions(terminal, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TERMINAL", terminal.toUtf8());
        qputenv("SHELL", "/bin/bash");
        m_frame->action(ID_TOOLS_DOS_WINDOW)->trigger();
        // The command waited for the terminal to end.
        QCOMPARE(CTestEnvironment::readFile(record), "-e\n/bin/bash\n"_ba);

        // No terminal program at all.
        qputenv("TERMINAL", "/nonexistent/terminal");
        qputenv("PATH", dir.filePath(QStringLiteral("none")).toUtf8());
        qputenv("SHELL", "/bin/zsh");
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        m_frame->OnDosWindow();
        QCOMPARE(text, QStringLiteral("Could not run /bin/zsh"));
    }

private:
    void showFrame()
    {
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
