#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditorWindows.h"
#include "editor/CFunctionsFile.h"
#include "editor/CInBrowserRule.h"
#include "editor/COstrakView.h"
#include "editor/CPerlFunctionsDlg.h"
#include "perltools/CPerlToolsCommands.h"
#include "editor/CTearOffFrame.h"
#include "editor/CTextTableModel.h"
#include "editor/CVariableScanner.h"
#include "editor/CVariablesDlg.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

using Rows = QList<QPair<QByteArray, int>>;   // name bytes, line

static const QByteArray kFunctions = "abs,Absolute value of a number,my $distance = abs($x - $y);\n"
                                     "join,Join strings,my $s = join(', ', @parts);\n"
                                     "print,print \"hello\";\n";

// The windows the editor opens beside the script: variable lists and their scan, the
// Perl functions window and its file, Tear Off snapshots and In Browser.
class TestEditorWindows : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fx.open(kFunctions); }
    void cleanup() { m_fx.close(); }

    void variableWindows_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("lastRow");
        const QByteArray script = "my $x = 1;\r\nmy @list = ($y);\r\nmy %h = ();\r\nprint $x;\r\n";
        QTest::newRow("scalars") << int(ID_VIEW_SCALARS) << script << 3 << QStringList{"$x", "    4", " "};
        QTest::newRow("arrays") << int(ID_VIEW_ARRAYS) << script << 1 << QStringList{"@list ", "    2", " "};
        QTest::newRow("special") << int(ID_VIEW_SPECIAL) << script << 29 << QStringList{"$ARGV", "", "Current file name"};
        QByteArray many;
        for (int i = 0; i < 100000; ++i)
            many += "$v" + QByteArray::number(i) + ";\n";
        QTest::newRow("100,000 variables") << int(ID_VIEW_SCALARS) << many << 100000 << QStringList{"$v99999", "100000", " "};
    }

    void variableWindows()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, script);
        QFETCH(int, rows);
        m_fx->view()->setBytes(script);
        bool seen = false;
        handleNextModal([&](QWidget *w) {
            if (auto *dialog = qobject_cast<CVariablesDlg *>(w); dialog && (seen = true))
                [&] {
                    QAbstractItemModel *model = dialog->model();
                    QCOMPARE(model->rowCount(), rows);
                    QStringList shownLast;
                    for (int c = 0; c < model->columnCount(); ++c)
                        shownLast << model->index(rows - 1, c).data().toString();
                    QTEST(shownLast, "lastRow");
                    // The list has the focus and fills the resized window.
                    QCOMPARE(dialog->focusWidget(), dialog->list());
                    dialog->resize(700, 500);
                    QTRY_COMPARE(dialog->list()->geometry().bottomRight(), dialog->rect().bottomRight());
                }();
            w->findChild<QAction *>(QStringLiteral("command33016"))->trigger();   // "&Window" > "&Close"
        });
        m_fx->action(command)->trigger();
        QVERIFY(seen);
    }

    void clicksOnTemplate_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selEnd");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray abs = "my $distance = abs($x - $y);";
        QTest::newRow("caret, CR LF script") << "a\r\nb\r\n"_ba << 3 << 3 << 0 << true << "a\r\n" + abs + "\r\nb\r\n";
        QTest::newRow("selection replaced") << "x = OLD;\n"_ba << 4 << 7 << 0 << true << "x = " + abs + "\n;\n";
        QTest::newRow("empty script gets LF") << ""_ba << 0 << 0 << 2 << true << "print,print \"hello\";\n"_ba;
        QTest::newRow("left and right clicks insert nothing") << "keep\n"_ba << 0 << 0 << 0 << false << "keep\n"_ba;
    }

    // A user's double-click: a click, then the second press that the
    // platform reports as a double-click.
    void clicksOnTemplate()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, selStart);
        QFETCH(int, selEnd);
        QFETCH(int, row);
        QFETCH(bool, doubleClick);
        QFETCH(QByteArray, expected);
        COstrakView *view = m_fx->view();
        view->setBytes(text);
        view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);
        m_fx->show();
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        CPerlFunctionsDlg *window = functionsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QWidget *cells = window->list()->viewport();
        const QPoint cell = window->list()->visualRect(window->model()->index(row, 0)).center();
        QTest::mouseClick(cells, Qt::LeftButton, {}, cell);
        doubleClick ? QTest::mouseDClick(cells, Qt::LeftButton, {}, cell) : QTest::mouseClick(cells, Qt::RightButton, {}, cell);
        QCOMPARE(view->bytes(), expected);
        QCOMPARE(window->isVisible(), !doubleClick);
        if (!doubleClick)
            return;
        // The caret follows the insertion, and one Undo takes it back.
        const qsizetype caret = view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        QCOMPARE(caret, qsizetype(selStart) + expected.size() - text.size() + (selEnd - selStart));
        view->undo();
        QCOMPARE(view->bytes(), text);
    }

    // F1 on a row of the functions window shows that function's own entry
    // of the Perl documentation, as F1 in the editor does for the caret's word.
    void functionHelpFromTheList()
    {
        auto *tools = m_fx->findChild<CPerlToolsCommands *>();
        tools->setBrowserProgram(QStringLiteral("/bin/true"));
        m_fx->show();
        m_fx->action(ID_VIEW_FUNCTIONS)->trigger();
        CPerlFunctionsDlg *window = functionsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->list()->setCurrentIndex(window->model()->index(1, 0));
        QTest::keyClick(window->list(), Qt::Key_F1);
        QFile page(tools->lastHelpPage());
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(tools->lastHelpPage()));
        const QByteArray html = page.readAll();
        QVERIFY(html.contains("join EXPR,LIST") && !html.contains("perlsyn"));
    }

    // Each use opens a window of its own that later edits leave as it was.
    void snapshotsIndependent()
    {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(19);
        m_fx.env->app().setEditorFont(font);
        QPointer<CTearOffFrame> first = tearOff("one\r\nlone\rcaf\xc3\xa9");
        QPointer<CTearOffFrame> second = tearOff("two\n");
        QVERIFY(first && second && first != second && !first->parentWidget() && first->edit()->isReadOnly());
        QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose));   // it does not keep the program running
        QCOMPARE(first->edit()->font(), font);
        m_fx->view()->replaceSelectionBytes("typed ");
        QCOMPARE(first->edit()->toPlainText(), QStringLiteral("one\nlone\ncaf\u00e9"));
        QCOMPARE(second->edit()->toPlainText(), QStringLiteral("two\n"));
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());   // a closed window deletes itself
        m_fx.frame.reset();   // the rest go with the frame
        QVERIFY(second.isNull());
    }

    // In Browser opens the saved file (not the unsaved text), under a name a URL would
    // misread, in a browser process of its own per use; a browser that cannot start is reported.
    void inBrowserStartsBrowserProcesses()
    {
        QVERIFY(!m_fx->action(ID_VIEW_IN_BROWSER)->isEnabled());
        QVERIFY(CInBrowserRule::isEnabled("/a/.htm") && !CInBrowserRule::isEnabled("/a/p.HTM"));
        QVERIFY(!CInBrowserRule::isEnabled("/a/p.htm.bak") && !CInBrowserRule::isEnabled(QString()));
        const QString path = m_fx.env->path(QStringLiteral("a #1 100%.html"));
        CTestEnvironment::writeFile(path, "<html><body>on disk</body></html>\n");
        QVERIFY(m_fx->OpenDocumentFile(path) && m_fx->action(ID_VIEW_IN_BROWSER)->isEnabled());
        m_fx->view()->setBytes("<html><body>unsaved</body></html>", false);
        auto *windows = m_fx->findChild<CEditorWindows *>();
        windows->setBrowserProgram(m_fx.env->path(QStringLiteral("no-such-browser")));
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        m_fx->action(ID_VIEW_IN_BROWSER)->trigger();
        QCOMPARE(text, QStringLiteral("Could not run ") + m_fx.env->path(QStringLiteral("no-such-browser")) + " " + path);
        QVERIFY(!windows->lastBrowser());

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
        m_fx.frame.reset();
        QVERIFY(browsers.first().isNull() && browsers.last().isNull());
    }

    void scan_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Rows>("expected");
        const QByteArray name23(23, 'a'), name24(24, 'a'), name30(30, 'a');
        QTest::newRow("blank kept, = ends") << "print 1;\r\n$count = 1;\r\n"_ba << 0 << Rows{{"$count ", 2}};
        QTest::newRow("hash sign ends at once") << "print $#list;"_ba << 0 << Rows{{"$", 1}};
        QTest::newRow("sigil inside a name is kept") << "print $$;"_ba << 0 << Rows{{"$$", 1}};
        QTest::newRow("array among other sigils") << "$a@b%c;"_ba << 1 << Rows{{"@b", 1}};
        QTest::newRow("non-ASCII and NUL end a name") << QByteArray("$caf\xc3\xa9 $a\0b", 11) << 0 << Rows{{"$caf", 1}, {"$a", 1}};
        QTest::newRow("name runs over a line break") << "my $x\n    = 5;\n"_ba << 0 << Rows{{"$x\n    ", 2}};
        QTest::newRow("24 characters listed") << QByteArray("$" + name23 + ";") << 0 << Rows{{"$" + name23, 1}};
        QTest::newRow("25 characters not listed") << QByteArray("$" + name24 + ";") << 0 << Rows{};
        QTest::newRow("25 characters at the end not listed") << QByteArray("$" + name24) << 0 << Rows{};
        QTest::newRow("25+ run swallows a sigil") << QByteArray("$" + name30 + " $y; $z;") << 0 << Rows{{"$z", 1}};
        QTest::newRow("25+ run over lines") << QByteArray("$" + name30 + "\n\n = 1; $y;\n") << 0 << Rows{{"$y", 3}};
        QTest::newRow("lone CR is no line end") << "$a;\r$b;\r\n$c"_ba << 0 << Rows{{"$a", 1}, {"$b", 1}, {"$c", 2}};
    }

    void scan()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        Rows rows;
        for (const CVariableRow &r : CVariableScanner::scan(text, CVariableScanner::sigilOfKind(kind)))
            rows.append({text.mid(r.offset, r.length), r.line});
        QTEST(rows, "expected");
    }

    void readFile()
    {
        const QString path = m_fx.env->path(QStringLiteral("OTHER.FNL"));
        QVERIFY(!CFunctionsFile::read(path).has_value());   // missing
        QVERIFY(!CFunctionsFile::read(m_fx.env->programDir()).has_value());   // a folder is no file
        // Lines end in CR LF or LF, the last in nothing; a line needs a name and a comma; a
        // line of one comma is all template; blanks and further commas are kept.
        CTestEnvironment::writeFile(path, "abs,Absolute,abs($x);\r\n,skipped,x;\nno comma\n\nprint,print \"a\";\n"
                                          " lc , Lower \xc3\xa9 ,lc($s, 1)");
        QStringList rows;
        for (const CPerlFunction &f : CFunctionsFile::read(path).value_or(QList<CPerlFunction>{}))
            rows << f.name + '|' + f.description + '|' + f.codeTemplate;
        QCOMPARE(rows, (QStringList{"abs|Absolute|abs($x);", "print||print,print \"a\";", u" lc | Lower \u00e9 |lc($s, 1)"_s}));
    }

    // The shipped file lists each of Perl's built-in functions, by Perl's own index, once.
    void shippedFileLoads()
    {
        const auto rows = CFunctionsFile::read(QStringLiteral(OSTRAK_SOURCE_DIR "/data/OSTRAK.FNL"));
        QVERIFY(rows.has_value());
        QStringList names;
        for (const CPerlFunction &f : *rows) {
            QVERIFY2(!f.description.isEmpty() && !f.codeTemplate.isEmpty() && !f.codeTemplate.contains(u'\r'),
                     qPrintable(f.name));
            names.append(f.name);
        }
        QProcess perl;
        perl.start(QStringLiteral("perl"), {QStringLiteral("-MPod::Functions"), QStringLiteral("-e"),
                                            QStringLiteral("print \"$_\\n\" for sort keys %Type")});
        QVERIFY(perl.waitForFinished(30000));
        const QStringList perlNames = QString::fromUtf8(perl.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        names.sort();
        QCOMPARE(names, perlNames);   // sorted by perl
        QVERIFY(QFile::exists(QStringLiteral(OSTRAK_BIN_DIR "/OSTRAK.FNL")));   // installed beside the program
    }

private:
    CPerlFunctionsDlg *functionsWindow() const
    {
        return m_fx->findChild<CEditorWindows *>()->functionsWindow();
    }

    // Tears off the script of `bytes` and returns the new window.
    CTearOffFrame *tearOff(const QByteArray &bytes)
    {
        m_fx->view()->setBytes(bytes);
        const QWidgetList before = QApplication::topLevelWidgets();
        m_fx->action(ID_VIEW_TEAR_OFF)->trigger();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<CTearOffFrame *>(w); t && !before.contains(w))
                return t;
        return nullptr;
    }

    CFrameFixture m_fx;
};

QTEST_MAIN(TestEditorWindows)
#include "tst_editorwindows.moc"
