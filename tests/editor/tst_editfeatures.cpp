#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/COstrakApp.h"
#include "editor/CEditCommands.h"
#include "editor/CFileChangeBar.h"
#include "editor/CFindDialog.h"
#include "editor/COstrakView.h"
#include "editor/CWordCompleter.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

using Sci = QsciScintillaBase;
static unsigned long u(long v) { return static_cast<unsigned long>(v); }

// Find and Replace, Find Next and Previous, Go to Line, word completion, folding and a
// script changed on disk by another program, driven through the keys a user presses.
class TestEditFeatures : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("View"));
        m_fx.open("abs,Absolute value,abs($x);\nsprintf,Format a string,sprintf($f);\nsplit,Split,split(/,/);\n"_ba);
        m_fx->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_fx.frame.get()));
        m_fx->activateWindow();
        view()->setFocus();
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->setVisible(w->isVisible() && !qobject_cast<QDialog *>(w));
        m_fx.close();
    }

    // Both Redo keys take back an Undo, also where the editor has a binding of its own.
    void redo_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Shift+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier);
    }

    void redo()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QTest::keyClicks(view(), "x");
        const QByteArray typed = view()->bytes();
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(view()->bytes() != typed);
        QTest::keyClick(view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view()->bytes(), typed);
    }

    void find_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("note");
        // Before any search F3 opens Find; with a text to find, F3 and
        // Shift+F3 search from the editor without the dialog.
        QTest::newRow("F3") << "ab |ab ab"_ba << "ab" << false << false << "ab [ab] ab"_ba << "";
        QTest::newRow("Shift+F3") << "ab ab |ab"_ba << "ab" << false << true << "ab [ab] ab"_ba << "";
        QTest::newRow("regex lazy") << "|<a><b>"_ba << "<.+?>" << true << false << "[<a>]<b>"_ba << "";
        QTest::newRow("dot literal without regex") << "|a.b axb"_ba << "a.b" << false << false << "[a.b] axb"_ba << "";
        QTest::newRow("backwards") << "x1 x2 x3|"_ba << "x" << false << true << "x1 x2 [x]3"_ba << "";
        QTest::newRow("wraps at the end") << "foo ba|r"_ba << "foo" << false << false << "[foo] bar"_ba << "Passed the end of the script";
        QTest::newRow("wraps at the start") << "ba|r foo"_ba << "foo" << false << true << "bar [foo]"_ba << "Passed the start of the script";
        QTest::newRow("not found") << "ab|c"_ba << "zz" << false << false << "ab|c"_ba << "Cannot find \"zz\".";
        QTest::newRow("bad regex") << "ab|c"_ba << "(a" << true << false << "ab|c"_ba << "not a valid regular expression";
        QTest::newRow("empty match moves on") << "|a\nb\n"_ba << "^" << true << false << "a\n|b\n"_ba << "";
        QTest::newRow("folded match shown") << "|sub f {\n  1;\n  my $hidden;\n}\n"_ba << "hidden" << false << false
                                           << "sub f {\n  1;\n  my $[hidden];\n}\n"_ba << "";
    }

    void find()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, pattern);
        QFETCH(bool, regex);
        QFETCH(bool, backwards);
        QFETCH(QString, note);
        setMarked(text);
        foldAll();
        const bool f3 = QByteArray(QTest::currentDataTag()).endsWith("F3");
        CFindDialog *dialog = f3 ? openFind(Qt::Key_F3, {}) : openFind(Qt::Key_F);
        QVERIFY(dialog);
        QLineEdit *what = fill(dialog, pattern, regex, backwards && !f3);
        if (f3) {
            dialog->hide();
            QTest::keyClick(view(), Qt::Key_F3, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        } else {
            QTest::keyClick(what, Qt::Key_Return);   // Find Next is the default button
        }
        QTEST(marked(), "expected");
        QVERIFY(dialog->findChild<QLabel *>("findStatus")->text().contains(note));
        if (!note.isEmpty())
            QVERIFY2(m_fx->statusText().contains(note), qPrintable(m_fx->statusText()));
        const long line = view()->SendScintilla(Sci::SCI_LINEFROMPOSITION, view()->SendScintilla(Sci::SCI_GETCURRENTPOS));
        QVERIFY(view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, u(line)));
        QCOMPARE(m_fx.env->app().caretLine(), line + 1);   // the status bar follows
    }

    void replaceAll_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("note");
        // Replace: the first press selects the first match, the second replaces it and selects the next.
        QTest::newRow("Replace, twice") << "cat cot cat"_ba << "c.t" << "dog" << true << "dog cot cat"_ba << "";
        QTest::newRow("replacement holds the pattern") << "ab ab"_ba << "ab" << "abab" << false << "abab abab"_ba << "2 replaced.";
        QTest::newRow("regex groups") << "my $x = 1;\nmy $y = 2;\n"_ba << "\\$(\\w) = (\\d)" << "$\\1 = \\2\\2" << true << "my $x = 11;\nmy $y = 22;\n"_ba << "2 replaced.";
        QTest::newRow("empty match at line starts") << "a\nb\n"_ba << "^" << "# " << true << "# a\n# b\n# "_ba << "3 replaced.";
        QTest::newRow("nothing to replace") << "abc"_ba << "z" << "y" << false << "abc"_ba << "0 replaced.";
    }

    // Replace All (or Replace), and one Undo takes all of it back.
    void replaceAll()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(bool, regex);
        view()->setBytes(text);
        CFindDialog *dialog = openFind(Qt::Key_H);
        QVERIFY(dialog);
        fill(dialog, pattern, regex, false);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("replaceWith"), replacement);
        const bool one = QByteArray(QTest::currentDataTag()).startsWith("Replace,");
        for (int i = 0; i < (one ? 2 : 1); ++i)
            clickButton(dialog, one ? "&Replace" : "Replace &All");
        QTEST(view()->bytes(), "expected");
        QTEST(dialog->findChild<QLabel *>("findStatus")->text(), "note");
        dialog->hide();
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view()->bytes(), text);
    }

    void goToLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("line");   // 0: refused
        QTest::newRow("inside a folded block") << "3" << 3;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("past the end") << "6" << 0;
        QTest::newRow("not a number") << "x2" << 0;
    }

    // Out of range, OK leaves the dialog open with a note; the caret stays.
    void goToLine()
    {
        QFETCH(QString, typed);
        QFETCH(int, line);
        view()->loadText("sub f {\n  1;\n  2;\n}\nend"_ba, m_fx.env->path("g.pl"));
        foldAll();
        QString note;
        bool stillOpen = false;
        handleNextModal([&](QWidget *w) {
            auto *number = w->findChild<QLineEdit *>("lineNumber");
            number->selectAll();
            QTest::keyClicks(number, typed);
            QTest::keyClick(number, Qt::Key_Return);
            stillOpen = w->isVisible();
            note = w->findChild<QLabel *>("goToLineNote")->text();
            if (stillOpen)
                static_cast<QDialog *>(w)->reject();
        });
        QTest::keyClick(view(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        const long caret = view()->SendScintilla(Sci::SCI_GETCURRENTPOS);
        if (line == 0) {
            QVERIFY(stillOpen);
            QCOMPARE(note, "Enter a line number from 1 to 5.");
            QCOMPARE(caret, 0);
            return;
        }
        QCOMPARE(caret, view()->SendScintilla(Sci::SCI_POSITIONFROMLINE, u(line - 1)));
        QVERIFY(view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, u(line - 1)));
        QCOMPARE(m_fx.env->app().caretLine(), line);
    }

    void completion_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("choose");           // a key that takes the first entry, then an Enter
        QTest::addColumn<QByteArray>("result");
        const auto row = [](const char *name, const QByteArray &text, const QByteArray &typed, bool forced,
                            const QStringList &list, int choose = 0, const QByteArray &result = {}) {
            QTest::newRow(name) << text << typed << forced << list << choose << result;
        };
        row("words after three characters", "my $counter; my $count_all; $cou = 2;\n", "$cou", false, {"count_all", "counter"});
        row("two characters show nothing", "my $counter;\n", "$co", false, {});
        row("functions and words, case counts", "my $splitter; my $Splat;\n", "spl", false, {"split", "splitter"});
        row("Ctrl+Space from the first character", "my $apple; my $avocado;\n", "a", true, {"abs", "apple", "avocado"});
        row("sigils and punctuation end words", "$abc{abd}->abe(@abf) ab\n", "ab", true, {"abc", "abd", "abe", "abf", "abs"});
        row("a word starting with a digit is not completed", "my $x = 123456;\n", "123", false, {});
        // The chosen word, no line break and no indentation; the next Enter is an Enter again.
        for (const auto &[name, key] : {std::pair{"Enter takes the word", Qt::Key_Return}, {"Tab takes the word", Qt::Key_Tab}})
            row(name, "    my $counter;\n    ", "$coun", false, {"counter"}, key, "    my $counter;\n    $counter\n    ");
    }

    // What the list shows, as the user sees it, for the keys typed at the
    // end of the script.
    void completion()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, typed);
        QFETCH(bool, forced);
        QFETCH(int, choose);
        m_fx.env->writeConfig({"AUTO_INDENT=Y", "TAB_EXPAND=Y", "TAB_SIZE=4"});
        view()->loadText(text, m_fx.env->path("c.pl"));
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), QString::fromUtf8(typed));
        if (forced)
            QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
        QTEST(shownList(), "list");
        if (choose) {
            QTest::keyClick(view(), Qt::Key(choose));
            QVERIFY(!view()->SendScintilla(Sci::SCI_AUTOCACTIVE));
            QTest::keyClick(view(), Qt::Key_Return);
            QTEST(view()->bytes(), "result");
        }
    }

    // Words far from the caret come from the index built while the user pauses.
    void farWordsAfterAPause()
    {
        QByteArray text = "my $faraway_word = 1;\n"_ba + QByteArray(200'000, '\n') + "$far"_ba;
        view()->loadText(text, m_fx.env->path("far.pl"));
        CWordCompleter *completer = m_fx->editCommands()->completer();
        QTRY_VERIFY_WITH_TIMEOUT(!completer->isIndexing(), 10000);
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(shownList(), QStringList{"faraway_word"});
    }

    // Blocks and POD fold; a click in the fold margin folds a block and a
    // second one unfolds it.
    void folding()
    {
        view()->loadText("if ($x) {\n  1;\n}\n\n=pod\n\ntext\n\n=cut\n"_ba, m_fx.env->path("f.pl"));
        view()->SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
        for (int line : {0, 1, 4, 6})   // the block's and the POD's first lines head a fold
            QCOMPARE(bool(view()->SendScintilla(Sci::SCI_GETFOLDLEVEL, u(line)) & Sci::SC_FOLDLEVELHEADERFLAG), line % 4 == 0);
        // The fold margin comes after the line numbers and the message markers.
        const long x = view()->SendScintilla(Sci::SCI_GETMARGINWIDTHN, 0UL)
                       + view()->SendScintilla(Sci::SCI_GETMARGINWIDTHN, 1UL) + 4;
        const QPoint marker(int(x), int(view()->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL)) / 2);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, marker);
        QVERIFY(!view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, 1UL));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, marker);
        QVERIFY(view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, 1UL));
    }

    void changedOnDisk_data()
    {
        QTest::addColumn<QString>("answer");        // what the user does with the bar, then Save
        QTest::addColumn<QByteArray>("onDisk");     // the file afterwards
        QTest::addColumn<QByteArray>("inEditor");
        QTest::newRow("Keep, Save, No keeps theirs") << "keep,no" << "theirs\n"_ba << "mine\nours\n"_ba;
        QTest::newRow("Keep, Save, Yes overwrites") << "keep,yes" << "mine\nours\n"_ba << "mine\nours\n"_ba;
        QTest::newRow("Reload, Yes loads") << "reload,yes" << "theirs\n"_ba << "theirs\n"_ba;
        QTest::newRow("Reload, No keeps ours") << "reload,no" << "theirs\n"_ba << "mine\nours\n"_ba;
    }

    // Another program writes the open script: the bar appears, and a save
    // never overwrites its text without asking.
    void changedOnDisk()
    {
        QFETCH(QString, answer);
        const QString path = m_fx.env->path("s.pl");
        CTestEnvironment::writeFile(path, "mine\n"_ba);
        QVERIFY(m_fx->OpenDocumentFile(path));
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), "ours");
        QTest::keyClick(view(), Qt::Key_Return);
        CFileChangeBar *bar = m_fx->editCommands()->fileChangeBar();
        CTestEnvironment::writeFile(path, "theirs\n"_ba);
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->text(), "s.pl was changed on disk by another program.");

        // Reload asks at once (the editor holds changes); after Keep, Save asks.
        const QStringList steps = answer.split(',');
        QString question;
        answerNextMessageBox(steps.last() == "yes" ? QMessageBox::Yes : QMessageBox::No, &question);
        QTest::mouseClick(bar->findChild<QPushButton *>(steps.first() + "Button"), Qt::LeftButton);
        if (steps.first() == "keep")
            QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(!question.isEmpty());
        QVERIFY(question.contains(steps.first() == "keep" ? "changed on disk by another program" : "Discard your"));
        QCOMPARE(bar->isVisible(), answer == "reload,no");
        QTEST(CTestEnvironment::readFile(path), "onDisk");
        QTEST(view()->bytes(), "inEditor");
    }

    // The editor's own saves raise no bar and no question; a removed file
    // is told, and saving writes it again without asking.
    void ownSavesAndRemoval()
    {
        const QString path = m_fx.env->path("o.pl");
        CTestEnvironment::writeFile(path, "a\n"_ba);
        QVERIFY(m_fx->OpenDocumentFile(path));
        CFileChangeBar *bar = m_fx->editCommands()->fileChangeBar();
        QTest::keyClicks(view(), "x");
        QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);   // no question may block here
        QTest::qWait(200);
        QVERIFY(!bar->isVisible());
        QCOMPARE(CTestEnvironment::readFile(path), view()->bytes());
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->text(), "o.pl was removed from disk by another program.");
        QVERIFY(!bar->findChild<QPushButton *>("reloadButton")->isVisible());
        QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(CTestEnvironment::readFile(path), view()->bytes());
    }

private:
    COstrakView *view() const { return m_fx->view(); }

    void foldAll()
    {
        view()->SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
        view()->SendScintilla(Sci::SCI_FOLDALL, u(Sci::SC_FOLDACTION_CONTRACT));
    }

    // "[", "]" mark the selection (anchor, caret), "|" the caret alone.
    void setMarked(const QByteArray &text)
    {
        const qsizetype caret = text.indexOf('|');
        view()->loadText(QByteArray(text).remove(caret, 1), m_fx.env->path("m.pl"));
        view()->SendScintilla(Sci::SCI_GOTOPOS, u(caret));
    }

    QByteArray marked() const
    {
        QByteArray text = view()->bytes();
        const long start = view()->SendScintilla(Sci::SCI_GETSELECTIONSTART);
        const long end = view()->SendScintilla(Sci::SCI_GETSELECTIONEND);
        return start == end ? text.insert(start, '|') : text.insert(end, ']').insert(start, '[');
    }

    // The entries of the completion list on screen; empty when none is shown.
    QStringList shownList() const
    {
        if (!view()->SendScintilla(Sci::SCI_AUTOCACTIVE))
            return {};
        QStringList entries;
        for (QWidget *w : QApplication::allWidgets())
            if (auto *list = qobject_cast<QListWidget *>(w); list && list->isVisible())
                for (int i = 0; i < list->count(); ++i)
                    entries << list->item(i)->text();
        return entries;
    }

    // A key from the editor that opens Find or Replace; the dialog when it is shown.
    CFindDialog *openFind(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(view(), key, modifiers);
        CFindDialog *dialog = m_fx->findChild<CFindDialog *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    // Sets the options and types the text to find over the last one.
    static QLineEdit *fill(CFindDialog *dialog, const QString &pattern, bool regex, bool backwards)
    {
        dialog->findChild<QCheckBox *>("regularExpression")->setChecked(regex);
        dialog->findChild<QCheckBox *>("searchBackwards")->setChecked(backwards);
        auto *what = dialog->findChild<QLineEdit *>("findWhat");
        what->selectAll();
        QTest::keyClicks(what, pattern);
        return what;
    }

    static void clickButton(QWidget *dialog, const QString &text)
    {
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == text)
                return QTest::mouseClick(b, Qt::LeftButton);
        QFAIL(qPrintable("no button " + text));
    }

    CFrameFixture m_fx;
};

QTEST_MAIN(TestEditFeatures)
#include "tst_editfeatures.moc"
