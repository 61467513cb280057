#include "CModalHandler.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COperatorsPalette.h"
#include "app/COstrakApp.h"
#include "app/CCommandTable.h"
#include "app/CToolbarArt.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QApplication>
#include <QFontDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {


// Sets an environment variable for the life of the object.
class EnvironmentValue
{
public:
    EnvironmentValue(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentValue()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialGeometry_data();
    void initialGeometry();
    void frameOpensByTheSizeRule();
    void operatorsPalette();
    void everyButtonShowsSomething();
    void checkMarksFollowVisibility();
    void viewToolbarActsOnMainToolbarOnly();
    void statusBarToggle();
    void alwaysDisabledItems();
    void caretPane();
    void promptsWhileHighlighted();
    void newRebuildsTabFillerAndFont();
    void fontShortcutOpensFontDialog();
    void dosWindowRunsShellInTerminal();
    void dosWindowWithoutTerminalReportsIt();
    void barStateSavedOnClose();

private:
    QToolButton *buttonFor(QToolBar *bar, int id) const;

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
};

void TestMainFrame::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_frame = std::make_unique<CMainFrame>(m_env->app());
}

void TestMainFrame::cleanup()
{
    if (m_frame)
        m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

QToolButton *TestMainFrame::buttonFor(QToolBar *bar, int id) const
{
    return qobject_cast<QToolButton *>(bar->widgetForAction(m_frame->action(id)));
}

void TestMainFrame::initialGeometry_data()
{
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("1024 by 768") << QRect(0, 0, 1024, 768) << QRect(170, 128, 682, 512);
    QTest::newRow("divisions truncate") << QRect(0, 0, 1366, 768) << QRect(227, 128, 910, 512);
    QTest::newRow("desktop not at the origin") << QRect(1920, 0, 1280, 1024) << QRect(2133, 170, 852, 682);
    QTest::newRow("tiny") << QRect(0, 0, 2, 2) << QRect(0, 0, 0, 0);
}

void TestMainFrame::initialGeometry()
{
    QFETCH(QRect, desktop);
    QFETCH(QRect, expected);
    QCOMPARE(CMainFrame::initialGeometry(desktop), expected);
}

void TestMainFrame::frameOpensByTheSizeRule()
{
    const QRect expected = CMainFrame::initialGeometry(m_frame->screen()->geometry());
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QCOMPARE(m_frame->geometry(), expected);
}

void TestMainFrame::operatorsPalette()
{
    COperatorsPalette *palette = m_frame->operatorsPalette();
    QVERIFY(palette->isHidden());   // floats once the frame is shown
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QVERIFY(palette->isVisible());
    QVERIFY(palette->isWindow());
    QCOMPARE(palette->pos(), QPoint(m_frame->frameGeometry().right() + 1 + 2, m_frame->frameGeometry().top()));

    const QList<QToolButton *> buttons = palette->buttons();
    QCOMPARE(buttons.size(), 44);
    QCOMPARE(buttons.first()->defaultAction(), m_frame->action(32962));
    QCOMPARE(buttons.last()->defaultAction(), m_frame->action(32995));
    // Rows of three in button order: 14 full rows and a last one of two.
    QMap<int, QList<int>> rows;
    for (QToolButton *b : buttons)
        rows[b->geometry().top()] << b->geometry().left();
    QCOMPARE(rows.size(), 15);
    const QList<QList<int>> rowList = rows.values();
    for (int r = 0; r < 14; ++r)
        QCOMPARE(rowList[r].size(), 3);
    QCOMPARE(rowList[14].size(), 2);
    for (int i = 1; i < buttons.size(); ++i) {
        const QRect a = buttons[i - 1]->geometry();
        const QRect b = buttons[i]->geometry();
        if (i % 3 == 0)
            QVERIFY(b.top() > a.bottom());
        else
            QVERIFY(b.left() > a.right() && b.top() == a.top());
    }
}

void TestMainFrame::everyButtonShowsSomething()
{
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    const std::pair<QToolBar *, QSize> bars[] = {{m_frame->mainToolBar(), CToolbarArt::kMainButton},
                                                 {m_frame->scriptingToolBar(), CToolbarArt::kScriptingButton}};
    for (const auto &[bar, size] : bars) {
        int buttons = 0;
        for (QAction *a : bar->actions()) {
            if (a->isSeparator())
                continue;
            ++buttons;
            const QImage image = a->icon().pixmap(size).toImage();
            QVERIFY2(!image.isNull(), qPrintable(a->objectName()));
            QCOMPARE(image.size(), size);
            // Some pixels are painted.
            bool painted = false;
            for (int y = 0; y < image.height() && !painted; ++y)
                for (int x = 0; x < image.width() && !painted; ++x)
                    painted = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(painted, qPrintable(a->objectName()));
            QVERIFY(!a->toolTip().isEmpty());
            QVERIFY(bar->widgetForAction(a)->isVisible());
        }
        QVERIFY(buttons >= 9);
    }
    for (QToolButton *b : m_frame->operatorsPalette()->buttons()) {
        QVERIFY(!b->text().isEmpty());
        QVERIFY(b->width() >= b->fontMetrics().horizontalAdvance(b->text().replace(QStringLiteral("&&"), QStringLiteral("&"))));
    }
    // The main toolbar's separators stand where the bar's layout puts them.
    QList<int> separators;
    const QList<QAction *> mainActions = m_frame->mainToolBar()->actions();
    for (int i = 0; i < mainActions.size(); ++i) {
        if (mainActions[i]->isSeparator())
            separators << i;
    }
    QCOMPARE(separators, (QList<int>{3, 7, 9}));
}

void TestMainFrame::checkMarksFollowVisibility()
{
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QAction *scripting = m_frame->action(ID_VIEW_SCRIPTING_TOOLBAR);
    QAction *operators = m_frame->action(ID_VIEW_OPERATORS);
    QVERIFY(scripting->isChecked());
    QVERIFY(operators->isChecked());

    scripting->trigger();
    QVERIFY(m_frame->scriptingToolBar()->isHidden());
    QVERIFY(!scripting->isChecked());
    scripting->trigger();
    QVERIFY(!m_frame->scriptingToolBar()->isHidden());
    QVERIFY(scripting->isChecked());

    operators->trigger();
    QVERIFY(m_frame->operatorsPalette()->isHidden());
    QVERIFY(!operators->isChecked());
    operators->trigger();
    QVERIFY(m_frame->operatorsPalette()->isVisible());
    QVERIFY(operators->isChecked());

    // Closed by its own window: the mark follows.
    m_frame->operatorsPalette()->close();
    QVERIFY(!operators->isChecked());
}

void TestMainFrame::viewToolbarActsOnMainToolbarOnly()
{
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QAction *toolbar = m_frame->action(ID_VIEW_TOOLBAR);
    QVERIFY(toolbar->isChecked());
    toolbar->trigger();
    QVERIFY(m_frame->mainToolBar()->isHidden());
    QVERIFY(!toolbar->isChecked());
    QVERIFY(m_frame->scriptingToolBar()->isVisible());
    QVERIFY(m_frame->operatorsPalette()->isVisible());
    toolbar->trigger();
    QVERIFY(m_frame->mainToolBar()->isVisible());
    QVERIFY(toolbar->isChecked());
}

void TestMainFrame::statusBarToggle()
{
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QAction *status = m_frame->action(ID_VIEW_STATUS_BAR);
    QVERIFY(status->isChecked());
    status->trigger();
    QVERIFY(m_frame->statusBar()->isHidden());
    QVERIFY(!status->isChecked());
    status->trigger();
    QVERIFY(m_frame->statusBar()->isVisible());
}

void TestMainFrame::alwaysDisabledItems()
{
    for (int id : {int(ID_SCRIPT_RUN_IN_BROWSER), int(ID_TOOLS_INPUT_DESIGNER)}) {
        QAction *a = m_frame->action(id);
        QVERIFY(!a->isEnabled());
        // It sits in its menu, greyed.
        bool inMenu = false;
        for (QAction *top : m_frame->menuBar()->actions())
            inMenu = inMenu || top->menu()->actions().contains(a);
        QVERIFY(inMenu);
    }
    for (int id : {32780, 32962, 32995, int(ID_VIEW_FONT), int(ID_TOOLS_DOS_WINDOW)})
        QVERIFY(m_frame->action(id)->isEnabled());
}

void TestMainFrame::caretPane()
{
    QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   0, Col=  0"));
    m_env->app().setCaretPosition(12, 5);
    QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =  12, Col=  5"));
    m_env->app().setCaretPosition(12345, 1000);
    QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line = 12345, Col=1000"));
    m_frame->OnFileNew();
    QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   1, Col=  1"));

    // Fed by the view's report after a key.
    m_frame->view()->setBytes("abc\r\nde");
    QTest::keyClick(m_frame->view(), Qt::Key_End);
    QCOMPARE(m_frame->caretPaneText(), QStringLiteral("Line =   1, Col=  4"));
    // Lock indicators are blank where the platform cannot tell.
    for (int id : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})
        QCOMPARE(m_frame->indicatorText(id), QString());
}

void TestMainFrame::promptsWhileHighlighted()
{
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QCOMPARE(m_frame->statusText(), QStringLiteral("Ready"));

    QToolButton *newButton = buttonFor(m_frame->mainToolBar(), ID_FILE_NEW);
    QEvent enter(QEvent::Enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(newButton, &enter);
    QCOMPARE(m_frame->statusText(), QStringLiteral("Create a new document"));
    QCoreApplication::sendEvent(newButton, &leave);
    QCOMPARE(m_frame->statusText(), QStringLiteral("Ready"));

    // A palette button is in a window of its own; its prompt still reaches the frame.
    QToolButton *match = m_frame->operatorsPalette()->buttons().first();
    QCoreApplication::sendEvent(match, &enter);
    QCOMPARE(m_frame->statusText(), QStringLiteral("Pattern matching"));
    QCoreApplication::sendEvent(match, &leave);
    QCOMPARE(m_frame->statusText(), QStringLiteral("Ready"));

    // A highlighted menu item.
    QMenu *file = m_frame->menuBar()->actions().first()->menu();
    file->popup(m_frame->mapToGlobal(QPoint(10, 10)));
    file->setActiveAction(m_frame->action(ID_FILE_OPEN));
    QCOMPARE(m_frame->statusText(), QStringLiteral("Open an existing document"));
    file->close();
}

void TestMainFrame::newRebuildsTabFillerAndFont()
{
    m_env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=4", "REMOTE_PERL_EXE=/usr/bin/perl",
                        "VIEW_FONT=-15,0,0,0,400,0,0,0,0,0,0,0,49,DejaVu Sans Mono"});
    m_frame->OnFileNew();
    COstrakView *view = m_frame->view();
    QCOMPARE(view->font().pixelSize(), 15);
    view->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(view->bytes(), QByteArray("#!/usr/bin/perl\r\n    "));

    // A changed setting reaches the view at the next New, not before.
    m_env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=2", "REMOTE_PERL_EXE=/usr/bin/perl",
                        "VIEW_FONT=-19,0,0,0,400,0,0,0,0,0,0,0,49,DejaVu Sans Mono"});
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(view->bytes(), QByteArray("#!/usr/bin/perl\r\n        "));
    QCOMPARE(view->font().pixelSize(), 15);
    m_frame->document()->setModified(false);
    m_frame->OnFileNew();
    view->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(view->bytes(), QByteArray("#!/usr/bin/perl\r\n  "));
    QCOMPARE(view->font().pixelSize(), 19);
}

void TestMainFrame::fontShortcutOpensFontDialog()
{
    m_frame->OnFileNew();
    m_frame->show();
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    m_frame->view()->setFocus();
    bool opened = false;
    handleNextModal([&opened](QWidget *w) {
        opened = qobject_cast<QFontDialog *>(w) != nullptr;
        static_cast<QDialog *>(w)->reject();
    });
    QTest::keyClick(m_frame->view(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(opened);
    QCOMPARE(m_frame->view()->bytes(), QByteArray("#!\r\n"));   // the key typed nothing
}

void TestMainFrame::dosWindowRunsShellInTerminal()
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("args"));
    const QString terminal = dir.filePath(QStringLiteral("fake-terminal"));
    CTestEnvironment::writeFile(terminal, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(record).toUtf8());
    QFile::setPermissions(terminal, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EnvironmentValue term("TERMINAL", terminal.toUtf8());
    EnvironmentValue shell("SHELL", "/bin/bash");
    m_frame->action(ID_TOOLS_DOS_WINDOW)->trigger();
    // The command waited for the terminal to end.
    QCOMPARE(CTestEnvironment::readFile(record), QByteArray("-e\n/bin/bash\n"));
}

void TestMainFrame::dosWindowWithoutTerminalReportsIt()
{
    QTemporaryDir empty;
    EnvironmentValue term("TERMINAL", "/nonexistent/terminal");
    EnvironmentValue path("PATH", empty.path().toUtf8());
    EnvironmentValue shell("SHELL", "/bin/zsh");
    QString text;
    handleNextModal([&text](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w))
            text = box->text();
        static_cast<QDialog *>(w)->accept();
    });
    m_frame->OnDosWindow();
    QCOMPARE(text, QStringLiteral("Could not run /bin/zsh"));
}

void TestMainFrame::barStateSavedOnClose()
{
    m_frame->OnFileNew();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    m_frame->action(ID_VIEW_OPERATORS)->trigger();   // hidden
    QVERIFY(m_frame->close());
    QSettings settings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak"));
    QVERIFY(!settings.value(QStringLiteral("OSTRAK/state")).toByteArray().isEmpty());
    QCOMPARE(settings.value(QStringLiteral("OSTRAK/operatorsVisible")).toBool(), false);

    // Nothing reads it back: a new frame lays the bars out afresh.
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QVERIFY(m_frame->operatorsPalette()->isVisible());
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
