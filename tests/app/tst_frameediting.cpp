#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/COperatorsPalette.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "options/COptionsPropertySheet.h"
#include "run/COutputWindow.h"
#include "run/CTerminalPane.h"

#include <Qsci/qscilexer.h>

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using Sci = QsciScintillaBase;

namespace {
enum Closing { TypedEnter, AboutBox, SaveAsDialog, OutputWindow, ErrorLink, PaletteButton, ToolbarButton };
}

// The editor inside the shown main window, driven by keys sent to whatever
// has the focus: the editor font, Enter after other windows, keys without a
// menu, focus after clicks and dialogs, the start-up choice.
class TestFrameEditing : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings(u"HALDEN"_s, u"Ostrak"_s).remove(u"View"_s);
        m_fx.open();
        m_fx->show();
        m_fx->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_fx.frame.get()));
        m_fx->view()->setFocus();
    }

    void cleanup() { m_fx.close(); }

    void fontReachesStylesAndMargin_data()
    {
        QTest::addColumn<QString>("font");
        QTest::addColumn<bool>("colouring");
        QTest::addColumn<bool>("throughOptions");   // the Editor page visited and OK pressed, then New
        QTest::addColumn<int>("pixels");
        QTest::newRow("README example, after Options") << u"-13,0,0,0,400,0,0,0,0,3,2,1,49,DejaVu Sans Mono"_s << true
                                                       << true << 13;
        QTest::newRow("pixel height, plain") << u"-20,0,0,0,700,0,0,0,0,0,0,0,49,DejaVu Sans Mono"_s << false << false << 20;
        QTest::newRow("cell height") << u"16,0,0,0,400,0,0,0,0,0,0,0,49,DejaVu Sans Mono"_s << true << false << 16;
    }

    // Every style the script is drawn in, the line numbers' too, at the pixel
    // size named; the margin wide enough for its digits.
    void fontReachesStylesAndMargin()
    {
        QFETCH(QString, font);
        QFETCH(bool, colouring);
        QFETCH(bool, throughOptions);
        QFETCH(int, pixels);
        if (!colouring)
            m_fx->action(ID_VIEW_SYNTAX_COLOURING)->trigger();
        m_fx.env->writeConfig({"VIEW_FONT=" + font});
        openScript("#!/usr/bin/perl\nmy $x = 1; # note\nprint \"$x\\n\";\n");
        if (throughOptions) {
            handleNextModal([](QWidget *w) {
                qobject_cast<COptionsPropertySheet *>(w)->tabs()->setCurrentIndex(2);
                w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            });
            m_fx->action(ID_TOOLS_OPTIONS)->trigger();
            QVERIFY(m_fx.env->app().settings().VIEW_FONT.startsWith(u"-13,"_s));
            openScript("#!/usr/bin/perl\n");
        }
        COstrakView *view = m_fx->view();
        QCOMPARE(view->lexer() != nullptr, colouring);
        QList<int> styles{Sci::STYLE_DEFAULT, Sci::STYLE_LINENUMBER};
        for (int style = 0; view->lexer() && style < 128; ++style)
            if (!view->lexer()->description(style).isEmpty())
                styles << style;
        for (int style : styles) {
            QByteArray face(64, '\0');
            view->SendScintilla(Sci::SCI_STYLEGETFONT, style, face.data());
            QCOMPARE(face.constData(), "DejaVu Sans Mono");
            const double points = view->SendScintilla(Sci::SCI_STYLEGETSIZEFRACTIONAL, style) / 100.0;
            QCOMPARE(qRound(points * view->logicalDpiY() / 72.0), pixels);
        }
        QVERIFY(view->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL) >= pixels);
        QFont named(u"DejaVu Sans Mono"_s);
        named.setPixelSize(pixels);
        const long digit = view->SendScintilla(Sci::SCI_TEXTWIDTH, Sci::STYLE_LINENUMBER, "9");
        QVERIFY2(qAbs(digit - QFontMetrics(named).horizontalAdvance(u'9')) <= 1, QByteArray::number(digit));
        QVERIFY(view->SendScintilla(Sci::SCI_GETMARGINWIDTHN, 0UL) >= 2 * digit);
    }

    void enterFromAnotherWindow_data()
    {
        QTest::addColumn<int>("closing");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray script = "  print 1;\n  die 'boom';\n";
        QTest::newRow("typed into the script indents") << int(TypedEnter) << "  print 1;\n  die 'boom';\n  \n"_ba;
        QTest::newRow("About closed") << int(AboutBox) << script;
        QTest::newRow("Save As accepted") << int(SaveAsDialog) << script;
        QTest::newRow("output window closed") << int(OutputWindow) << script;
        QTest::newRow("error link followed") << int(ErrorLink) << script;
    }

    // The Enter's key-down goes to another window, its release to the editor.
    void enterFromAnotherWindow()
    {
        QFETCH(int, closing);
        m_fx.env->writeConfig({"AUTO_INDENT=Y", "LOCAL_PERL_EXE=/usr/bin/perl", "RUN_IN_DOS_WINDOW=N"});
        openScript("  print 1;\n  die 'boom';\n");
        COstrakView *view = m_fx->view();
        view->SendScintilla(Sci::SCI_GOTOPOS, 24UL);   // the end of the second line
        const int command[] = {0, ID_APP_ABOUT, ID_FILE_SAVE_AS, ID_SCRIPT_RUN, ID_SCRIPT_RUN};
        if (closing == TypedEnter) {
            QTest::keyPress(view, Qt::Key_Return);
        } else {
            handleNextModal([&](QWidget *w) {
                if (closing == SaveAsDialog)
                    w->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(m_fx.env->path(u"other.pl"_s));
                if (auto *output = qobject_cast<COutputWindow *>(w)) {
                    QTRY_VERIFY(output->statusLine()->text().startsWith(u"Process completed"_s)
                                && output->pane(COutputWindow::StdErr)->toPlainText().contains(u"line 2."_s));
                    if (closing == ErrorLink) {
                        output->pane(COutputWindow::StdErr)->moveCursor(QTextCursor::Start);
                        output->pane(COutputWindow::StdErr)->setFocus();
                    }
                }
                QTest::keyPress(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
            });
            m_fx->action(command[closing])->trigger();
        }
        QTRY_VERIFY(QApplication::focusWidget() == view);
        QTest::keyRelease(view, Qt::Key_Return);
        QTEST(view->bytes(), "expected");
        if (closing == ErrorLink)
            QCOMPARE(view->selectedBytes(), "  die 'boom';"_ba);
    }

    void keysLandInTheScript_data()
    {
        QTest::addColumn<int>("step");   // a key with Alt, or one of the closings
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("Alt+Q") << int(Qt::Key_Q) << "#!\nxzz"_ba;
        QTest::newRow("Alt+Backspace still undoes") << int(Qt::Key_Backspace) << "#!\nzz"_ba;
        QTest::newRow("operator button") << int(PaletteButton) << "#!\nx + zz"_ba;
        QTest::newRow("scripting button") << int(ToolbarButton) << "#!\nx last zz"_ba;
        QTest::newRow("About closed") << int(AboutBox) << "#!\nxzz"_ba;
    }

    // After the step the user types on; whatever the window manager activates
    // meanwhile (here the palette), the keys go into the script.
    void keysLandInTheScript()
    {
        QFETCH(int, step);
        COperatorsPalette *palette = m_fx->operatorsPalette();
        QTRY_VERIFY(palette->isVisible());
        m_fx->view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
        if (step == AboutBox) {
            handleNextModal([palette](QWidget *w) {
                static_cast<QDialog *>(w)->reject();
                palette->activateWindow();
            });
            m_fx->action(ID_APP_ABOUT)->trigger();
        } else if (step == PaletteButton || step == ToolbarButton) {
            palette->activateWindow();
            QTest::mouseClick(step == PaletteButton ? palette->findChild<QToolButton *>(u"operator32932"_s)
                                                    : m_fx->scriptingToolBar()->widgetForAction(m_fx->action(33002)),
                              Qt::LeftButton);
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(step), Qt::AltModifier);
        }
        QTRY_COMPARE(QApplication::activeWindow(), m_fx.frame.get());
        QTest::keyClicks(QApplication::focusWidget(), u"zz"_s);
        QTEST(m_fx->view()->bytes(), "expected");
    }

    void reopenLastScript_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("keepFile");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("line");
        QTest::newRow("off by default: a new script") << false << true << u"Untitled"_s << 1;
        QTest::newRow("on: the script at its line") << true << true << u"last.pl"_s << 3;
        QTest::newRow("on, script gone: a new script") << true << false << u"Untitled"_s << 1;
    }

    void reopenLastScript()
    {
        QFETCH(bool, on);
        QFETCH(bool, keepFile);
        QVERIFY(!m_fx->action(ID_VIEW_REOPEN_LAST)->isChecked());
        if (on)
            m_fx->action(ID_VIEW_REOPEN_LAST)->trigger();
        const QString path = openScript("a\nb\nc\nd\n");
        m_fx->view()->showLine(3);
        QVERIFY(m_fx->close());
        if (!keepFile)
            QFile::remove(path);
        m_fx.frame = std::make_unique<CMainFrame>(m_fx.env->app());
        m_fx->OnStartWithoutFile();
        QCOMPARE(m_fx->action(ID_VIEW_REOPEN_LAST)->isChecked(), on);
        QTEST(m_fx->document()->title(), "title");
        QTEST(m_fx->view()->caretReport().first, "line");
        QCOMPARE(m_fx->view()->caretReport().second, 1);
    }

private:
    QString openScript(const QByteArray &text)
    {
        const QString path = m_fx.env->path(u"last.pl"_s);
        CTestEnvironment::writeFile(path, text);
        return m_fx->OpenDocumentFile(path) ? path : QString();
    }

    CFrameFixture m_fx;
};

QTEST_MAIN(TestFrameEditing)
#include "tst_frameediting.moc"
