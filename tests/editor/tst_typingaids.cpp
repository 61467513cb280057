#include "CModalHandler.h"
#include "CTestEnvironment.h"

#include "app/COstrakApp.h"
#include "app/CViewFont.h"
#include "editor/CLineEnds.h"
#include "editor/COstrakView.h"

#include <QApplication>
#include <QFontDialog>
#include <QTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

namespace {


} // namespace

using KeyList = QList<QPair<int, int>>;   // key, modifiers
Q_DECLARE_METATYPE(KeyList)

// Typing aids driven by real key events on the editor widget.
class TestTypingAids : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tabKey_data();
    void tabKey();
    void tabWidthHeldUntilInitialUpdate();
    void homeCycle_data();
    void homeCycle();
    void autoIndent_data();
    void autoIndent();
    void autoIndentUndoesWithItsEnter();
    void autoRepeatIndentsLastLineOnly();
    void enterInsertsDocumentLineEnd_data();
    void enterInsertsDocumentLineEnd();
    void caretReport_data();
    void caretReport();
    void caretReportOnMouseRelease();
    void fontFromSettingAndFontCommand();

private:
    void configure(const QStringList &lines);
    void setText(const QByteArray &text, int selStart, int selEnd = -1);
    // A key press and its release, without the modifier keys' own events.
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void send(QEvent::Type type, int key, Qt::KeyboardModifiers mods, bool autoRepeat);
    long pos() const { return m_view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS); }
    long anchor() const { return m_view->SendScintilla(QsciScintillaBase::SCI_GETANCHOR); }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<COstrakView> m_view;
};

void TestTypingAids::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_view = std::make_unique<COstrakView>();
    m_view->resize(600, 300);
    m_view->show();
    m_view->setFocus();
}

void TestTypingAids::cleanup()
{
    m_view.reset();
    m_env.reset();
}

void TestTypingAids::configure(const QStringList &lines)
{
    m_env->writeConfig(lines);
    m_view->OnInitialUpdate();
}

void TestTypingAids::setText(const QByteArray &text, int selStart, int selEnd)
{
    m_view->setBytes(text);
    m_view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd < 0 ? selStart : selEnd);
}

void TestTypingAids::send(QEvent::Type type, int key, Qt::KeyboardModifiers mods, bool autoRepeat)
{
    QString text;
    if (type == QEvent::KeyPress && !(mods & Qt::ControlModifier)) {
        if (key == Qt::Key_Return)
            text = QStringLiteral("\r");
        else if (key == Qt::Key_Tab)
            text = QStringLiteral("\t");
        else if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
            text = QString(QChar(key)).toLower();
    }
    QKeyEvent event(type, key, mods, text, autoRepeat);
    QCoreApplication::sendEvent(m_view.get(), &event);
}

void TestTypingAids::press(int key, Qt::KeyboardModifiers mods)
{
    send(QEvent::KeyPress, key, mods, false);
    send(QEvent::KeyRelease, key, mods, false);
}

void TestTypingAids::tabKey_data()
{
    QTest::addColumn<QString>("tabExpand");
    QTest::addColumn<QString>("tabSize");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("expand 4") << "Y" << "4" << QByteArray("ab") << 1 << 1 << QByteArray("a    b") << 5;
    QTest::newRow("expand 4 over a selection") << "Y" << "4" << QByteArray("abcd") << 1 << 3 << QByteArray("a    d") << 5;
    QTest::newRow("expand 0 deletes the selection") << "Y" << "0" << QByteArray("abcd") << 1 << 3 << QByteArray("ad") << 1;
    QTest::newRow("expand 0 inserts nothing") << "Y" << "0" << QByteArray("ab") << 1 << 1 << QByteArray("ab") << 1;
    QTest::newRow("size with trailing letters") << "Y" << "3abc" << QByteArray("x") << 0 << 0 << QByteArray("   x") << 3;
    QTest::newRow("size without digits") << "Y" << "abc" << QByteArray("x") << 0 << 0 << QByteArray("x") << 0;
    QTest::newRow("lower-case y is no") << "y" << "4" << QByteArray("ab") << 1 << 1 << QByteArray("a\tb") << 2;
    QTest::newRow("no expansion in the indentation")
        << "N" << "4" << QByteArray("  x") << 0 << 0 << QByteArray("\t  x") << 1;
    QTest::newRow("multi-line selection replaced, not indented")
        << "N" << "4" << QByteArray("x\r\ny\r\nz") << 0 << 6 << QByteArray("\tz") << 1;
}

void TestTypingAids::tabKey()
{
    QFETCH(QString, tabExpand);
    QFETCH(QString, tabSize);
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QByteArray, expected);
    QFETCH(int, caret);

    configure({QStringLiteral("TAB_EXPAND=") + tabExpand, QStringLiteral("TAB_SIZE=") + tabSize});
    setText(text, selStart, selEnd);
    press(Qt::Key_Tab);
    QCOMPARE(m_view->bytes(), expected);
    QCOMPARE(pos(), long(caret));
    QCOMPARE(anchor(), long(caret));
    if (expected != text) {
        m_view->undo();
        QCOMPARE(m_view->bytes(), text);
    }
}

void TestTypingAids::tabWidthHeldUntilInitialUpdate()
{
    configure({"TAB_EXPAND=Y", "TAB_SIZE=4"});
    m_env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=2"});
    setText("", 0);
    press(Qt::Key_Tab);
    QCOMPARE(m_view->bytes(), QByteArray("    "));
    m_view->OnInitialUpdate();
    setText("", 0);
    press(Qt::Key_Tab);
    QCOMPARE(m_view->bytes(), QByteArray("  "));
}

void TestTypingAids::homeCycle_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<KeyList>("keys");
    QTest::addColumn<QList<int>>("positions");   // caret after each key
    QTest::addColumn<int>("finalAnchor");

    const QPair<int, int> home{Qt::Key_Home, 0};
    const QPair<int, int> shiftHome{Qt::Key_Home, int(Qt::ShiftModifier)};
    const QPair<int, int> ctrlHome{Qt::Key_Home, int(Qt::ControlModifier)};
    const QPair<int, int> right{Qt::Key_Right, 0};
    const QPair<int, int> shiftKey{Qt::Key_Shift, int(Qt::ShiftModifier)};

    QTest::newRow("first non-blank, start, start")
        << QByteArray("    print 1;") << 12 << KeyList{home, home, home} << QList<int>{4, 0, 0} << 0;
    QTest::newRow("caret before the first non-blank")
        << QByteArray("\t\tx") << 0 << KeyList{home, home} << QList<int>{2, 0} << 0;
    QTest::newRow("blank line goes to its end")
        << QByteArray(" \t  \r\nx") << 1 << KeyList{home} << QList<int>{4} << 4;
    QTest::newRow("empty line stays") << QByteArray("\r\n") << 0 << KeyList{home, home} << QList<int>{0, 0} << 0;
    QTest::newRow("another key restarts the cycle")
        << QByteArray("  ab") << 4 << KeyList{home, right, home, home} << QList<int>{2, 3, 2, 0} << 0;
    QTest::newRow("second line")
        << QByteArray("x\r\n   y") << 7 << KeyList{home, home} << QList<int>{6, 3} << 3;
    QTest::newRow("shift held: second press selects the indentation")
        << QByteArray("    abc") << 7 << KeyList{shiftKey, shiftHome, shiftHome} << QList<int>{7, 4, 0} << 4;
    QTest::newRow("shift pressed again restarts the cycle")
        << QByteArray("    abc") << 7 << KeyList{shiftKey, shiftHome, shiftKey, shiftHome}
        << QList<int>{7, 4, 4, 4} << 4;
    QTest::newRow("ctrl: second press goes to the text start")
        << QByteArray("a\r\n  b") << 6 << KeyList{ctrlHome, ctrlHome} << QList<int>{5, 0} << 0;
    QTest::newRow("only the first 1024 characters are examined")
        << QByteArray(1030, ' ') + "x" << 1031 << KeyList{home} << QList<int>{1024} << 1024;
}

void TestTypingAids::homeCycle()
{
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(KeyList, keys);
    QFETCH(QList<int>, positions);
    QFETCH(int, finalAnchor);

    configure({});
    setText(text, start);
    for (int i = 0; i < keys.size(); ++i) {
        const auto mods = Qt::KeyboardModifiers(keys[i].second);
        if (keys[i].first == Qt::Key_Shift)
            send(QEvent::KeyPress, Qt::Key_Shift, mods, false);   // held, released at the end
        else
            press(keys[i].first, mods);
        QCOMPARE(pos(), long(positions[i]));
    }
    QCOMPARE(anchor(), long(finalAnchor));
    QCOMPARE(m_view->bytes(), text);
}

void TestTypingAids::autoIndent_data()
{
    QTest::addColumn<QStringList>("config");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QByteArray>("expected");

    const QStringList on{"AUTO_INDENT=Y", "TAB_EXPAND=N", "TAB_SIZE=4"};
    QTest::newRow("tab-indented line with a brace")
        << on << QByteArray("\tif ($x) {") << 10 << QByteArray("\tif ($x) {\r\n\t\t");
    QTest::newRow("brace alone in column 1") << on << QByteArray("{") << 1 << QByteArray("{\r\n\t");
    QTest::newRow("two spaces, no brace") << on << QByteArray("  $x = 1;") << 9 << QByteArray("  $x = 1;\r\n  ");
    QTest::newRow("empty line") << on << QByteArray("") << 0 << QByteArray("\r\n");
    QTest::newRow("mixed blanks kept exactly") << on << QByteArray(" \t x") << 4 << QByteArray(" \t x\r\n \t ");
    QTest::newRow("brace inside a string counts")
        << on << QByteArray("  print \"{\";") << 12 << QByteArray("  print \"{\";\r\n  \t");
    QTest::newRow("block opened and closed on the line")
        << on << QByteArray("sub f { 1 }") << 11 << QByteArray("sub f { 1 }\r\n\t");
    QTest::newRow("brace line with expanded tabs")
        << QStringList{"AUTO_INDENT=Y", "TAB_EXPAND=Y", "TAB_SIZE=4"} << QByteArray("  if (1) {") << 10
        << QByteArray("  if (1) {\r\n      ");
    QTest::newRow("Enter inside a line indents the rest")
        << on << QByteArray("  ab") << 3 << QByteArray("  a\r\n  b");
    QTest::newRow("LF document") << on << QByteArray("x\n  y") << 5 << QByteArray("x\n  y\n  ");
    QTest::newRow("off: line break only")
        << QStringList{"AUTO_INDENT=N", "TAB_EXPAND=N"} << QByteArray("  if (1) {") << 10
        << QByteArray("  if (1) {\r\n");
    QTest::newRow("only the first 1024 characters are examined")
        << on << QByteArray(1030, ' ') + "{" << 1031 << QByteArray(1030, ' ') + "{\r\n" + QByteArray(1024, ' ');
}

void TestTypingAids::autoIndent()
{
    QFETCH(QStringList, config);
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(QByteArray, expected);

    configure(config);
    setText(text, caret);
    press(Qt::Key_Return);
    QCOMPARE(m_view->bytes(), expected);
    const qsizetype tail = text.size() - caret;   // what stood after the caret
    QCOMPARE(pos(), long(expected.size() - tail));
}

void TestTypingAids::autoIndentUndoesWithItsEnter()
{
    configure({"AUTO_INDENT=Y", "TAB_EXPAND=Y", "TAB_SIZE=4"});
    setText("  if (1) {", 10);
    press(Qt::Key_Return);
    QCOMPARE(m_view->bytes(), QByteArray("  if (1) {\r\n      "));
    m_view->undo();
    QCOMPARE(m_view->bytes(), QByteArray("  if (1) {"));
}

void TestTypingAids::autoRepeatIndentsLastLineOnly()
{
    configure({"AUTO_INDENT=Y", "TAB_EXPAND=N"});
    setText("  x", 3);
    // Held down: repeated presses, each with an auto-repeat release, then the real release.
    send(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, false);
    for (int i = 0; i < 2; ++i) {
        send(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, true);
        send(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, true);
    }
    QCOMPARE(m_view->bytes(), QByteArray("  x\r\n\r\n\r\n"));
    send(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, false);
    QCOMPARE(m_view->bytes(), QByteArray("  x\r\n\r\n\r\n"));   // the line before is empty

    setText("  x", 3);
    send(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, false);
    send(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, false);
    QCOMPARE(m_view->bytes(), QByteArray("  x\r\n  "));
}

void TestTypingAids::enterInsertsDocumentLineEnd_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no line end yet") << QByteArray("ab") << QByteArray("ab\r\n");
    QTest::newRow("CR LF") << QByteArray("x\r\nab") << QByteArray("x\r\nab\r\n");
    QTest::newRow("LF") << QByteArray("x\nab") << QByteArray("x\nab\n");
    QTest::newRow("lone CR") << QByteArray("x\rab") << QByteArray("x\rab\r");
    QTest::newRow("first line end decides") << QByteArray("x\ny\r\nab") << QByteArray("x\ny\r\nab\n");
    QTest::newRow("CR LF far from the start")
        << QByteArray(100000, 'a') + "\r\nb" << QByteArray(100000, 'a') + "\r\nb\r\n";
}

void TestTypingAids::enterInsertsDocumentLineEnd()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    configure({"AUTO_INDENT=Y"});
    setText(text, text.size());
    press(Qt::Key_Return);
    QCOMPARE(m_view->bytes(), expected);
    QCOMPARE(m_view->documentLineEnd(), CLineEnds::documentLineEnd(text));
}

void TestTypingAids::caretReport_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<int>("key");
    QTest::addColumn<QPoint>("onPress");
    QTest::addColumn<QPoint>("onRelease");

    QTest::newRow("End on a short first line") << QByteArray("abc\r\ndefgh") << 0 << 0 << int(Qt::Key_End)
                                               << QPoint(1, 1) << QPoint(1, 4);
    QTest::newRow("Down to the second line") << QByteArray("abc\r\ndefgh") << 2 << 2 << int(Qt::Key_Down)
                                             << QPoint(1, 3) << QPoint(2, 3);
    QTest::newRow("characters, not bytes") << QByteArray("\xc3\xa9\xc3\xa9x") << 0 << 0 << int(Qt::Key_End)
                                           << QPoint(1, 1) << QPoint(1, 4);
    QTest::newRow("a tab counts as one column") << QByteArray("\tx") << 0 << 0 << int(Qt::Key_End)
                                                << QPoint(1, 1) << QPoint(1, 3);
    QTest::newRow("selection: line of its start, column of its end")
        << QByteArray("abc\r\ndefgh") << 1 << 8 << int(Qt::Key_Shift) << QPoint(1, 4) << QPoint(1, 4);
}

void TestTypingAids::caretReport()
{
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(int, key);
    QFETCH(QPoint, onPress);
    QFETCH(QPoint, onRelease);

    configure({});
    setText(text, selStart, selEnd);
    COstrakApp &app = m_env->app();
    send(QEvent::KeyPress, key, key == Qt::Key_Shift ? Qt::ShiftModifier : Qt::NoModifier, false);
    QCOMPARE(QPoint(app.caretLine(), app.caretColumn()), onPress);
    send(QEvent::KeyRelease, key, Qt::NoModifier, false);
    QCOMPARE(QPoint(app.caretLine(), app.caretColumn()), onRelease);
}

void TestTypingAids::caretReportOnMouseRelease()
{
    configure({});
    setText("first\r\nsecond line", 0);
    const long target = 7 + 3;   // line 2, column 4
    const QPoint at(int(m_view->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, target)) + 1,
                    int(m_view->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, target)) + 2);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(m_env->app().caretLine(), 2);
    QCOMPARE(m_env->app().caretColumn(), 4);
}

void TestTypingAids::fontFromSettingAndFontCommand()
{
    CViewFont described;
    described.height = -17;
    described.weight = 700;
    described.pitchAndFamily = 49;
    described.faceName = QStringLiteral("DejaVu Sans Mono");
    configure({QStringLiteral("VIEW_FONT=") + described.format()});
    QCOMPARE(m_view->font().pixelSize(), 17);
    QCOMPARE(m_view->font().weight(), QFont::Bold);
    QCOMPARE(m_env->app().editorFont()->pixelSize(), 17);

    // The font command changes the font until the next initial update, not the setting.
    QFont chosen = m_view->font();
    chosen.setPointSize(21);
    chosen.setWeight(QFont::Normal);
    QFont picked;
    handleNextModal([chosen, &picked](QWidget *w) {
        auto *dialog = qobject_cast<QFontDialog *>(w);
        QVERIFY(dialog);
        dialog->setCurrentFont(chosen);
        picked = dialog->currentFont();
        dialog->accept();
    });
    m_view->OnViewFont();
    QCOMPARE(picked.pointSize(), 21);
    QCOMPARE(m_view->font(), picked);
    QCOMPARE(*m_env->app().editorFont(), picked);
    QCOMPARE(m_env->app().settings().VIEW_FONT, described.format());

    // Cancel changes nothing.
    handleNextModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    m_view->OnViewFont();
    QCOMPARE(m_view->font(), picked);

    m_view->OnInitialUpdate();
    QCOMPARE(m_view->font().pixelSize(), 17);

    // An unreadable setting gives the fixed-pitch default.
    configure({"VIEW_FONT=not a font"});
    QCOMPARE(m_view->font().family(), CViewFont::defaultFont().family());
}

QTEST_MAIN(TestTypingAids)
#include "tst_typingaids.moc"
