#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CEditCommands.h"
#include "editor/CFileChangeBar.h"
#include "editor/CFindDialog.h"
#include "editor/COstrakView.h"
#include "editor/CWordCompleter.h"
#include "editor/CWordIndex.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

using Sci = QsciScintillaBase;

unsigned long u(long v)
{
    return static_cast<unsigned long>(v);
}

} // namespace

// The editing conveniences, driven through the keys a user presses: Find
// and Replace with their options, Find Next and Previous, Go to Line, word
// completion, folding, and a script changed on disk by another program.
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
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<QDialog *>(w))
                d->hide();
        }
        m_fx.close();
    }

    // Each key reaches its command from the editor, also where the editor
    // has a binding of its own.
    void keysReachTheirCommands_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("id");
        QTest::newRow("Ctrl+F Find") << int(Qt::Key_F) << int(Qt::ControlModifier) << int(ID_EDIT_FIND);
        QTest::newRow("Ctrl+H Replace") << int(Qt::Key_H) << int(Qt::ControlModifier) << int(ID_EDIT_REPLACE);
        QTest::newRow("F3 Find Next") << int(Qt::Key_F3) << 0 << int(ID_EDIT_FIND_NEXT);
        QTest::newRow("Shift+F3 Find Previous") << int(Qt::Key_F3) << int(Qt::ShiftModifier) << int(ID_EDIT_FIND_PREVIOUS);
        QTest::newRow("Ctrl+G Go to Line") << int(Qt::Key_G) << int(Qt::ControlModifier) << int(ID_EDIT_GO_TO_LINE);
        QTest::newRow("F5 Run") << int(Qt::Key_F5) << 0 << int(ID_SCRIPT_RUN);
        QTest::newRow("Ctrl+F7 Compile") << int(Qt::Key_F7) << int(Qt::ControlModifier) << int(ID_SCRIPT_COMPILE);
        QTest::newRow("Ctrl+Space Complete Word")
            << int(Qt::Key_Space) << int(Qt::ControlModifier) << int(ID_EDIT_COMPLETE_WORD);
    }

    void keysReachTheirCommands()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, id);
        QSignalSpy triggered(m_fx->action(id), &QAction::triggered);
        // Run and Compile ask for a file name first; Go to Line asks for a line.
        QObject scope;
        handleNextModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); }, 3000, {}, &scope);
        const QByteArray before = view()->bytes();
        QTest::keyClick(view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_COMPARE(triggered.count(), 1);
        QCOMPARE(view()->bytes(), before);   // the key typed nothing
    }

    // Redo takes back an Undo, by either of its keys.
    void redoKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+Y") << int(Qt::Key_Y) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Shift+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier);
    }

    void redoKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), "x");
        const QByteArray typed = view()->bytes();
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(view()->bytes() != typed);
        QTest::keyClick(view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view()->bytes(), typed);
    }

    // Texts mark the selection with "[" and "]", the caret alone with "|".
    void find_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("note");
        QTest::newRow("plain, after the caret") << "foo |bar foo"_ba << "foo" << false << false << "foo bar [foo]"_ba << "";
        QTest::newRow("regex digits") << "|a1 b22 c333"_ba << "\\d{3}" << true << false << "a1 b22 c[333]"_ba << "";
        QTest::newRow("regex lazy") << "|<a><b>"_ba << "<.+?>" << true << false << "[<a>]<b>"_ba << "";
        QTest::newRow("regex special characters taken literally without regex")
            << "|a.b axb"_ba << "a.b" << false << false << "[a.b] axb"_ba << "";
        QTest::newRow("backwards") << "x1 x2 x3|"_ba << "x" << false << true << "x1 x2 [x]3"_ba << "";
        QTest::newRow("wraps at the end")
            << "foo ba|r"_ba << "foo" << false << false << "[foo] bar"_ba << "Passed the end of the script";
        QTest::newRow("wraps at the start, backwards")
            << "ba|r foo"_ba << "foo" << false << true << "bar [foo]"_ba << "Passed the start of the script";
        QTest::newRow("not found leaves the caret")
            << "ab|c"_ba << "zz" << false << false << "ab|c"_ba << "Cannot find \"zz\".";
        QTest::newRow("bad regex") << "ab|c"_ba << "(a" << true << false << "ab|c"_ba << "not a valid regular expression";
        QTest::newRow("empty match moves on") << "|a\nb\n"_ba << "^" << true << false << "a\n|b\n"_ba << "";
        QTest::newRow("match inside a folded block is shown")
            << "|sub f {\n  1;\n  my $hidden;\n}\n"_ba << "hidden" << false << false
            << "sub f {\n  1;\n  my $[hidden];\n}\n"_ba << "";
    }

    void find()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, pattern);
        QFETCH(bool, regex);
        QFETCH(bool, backwards);
        QFETCH(QByteArray, expected);
        QFETCH(QString, note);
        setMarked(text);
        foldAll();
        QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
        CFindDialog *dialog = m_fx->findChild<CFindDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        auto *regexBox = dialog->findChild<QCheckBox *>("regularExpression");
        auto *backBox = dialog->findChild<QCheckBox *>("searchBackwards");
        if (regexBox->isChecked() != regex)
            QTest::mouseClick(regexBox, Qt::LeftButton, {}, QPoint(4, regexBox->height() / 2));
        if (backBox->isChecked() != backwards)
            QTest::mouseClick(backBox, Qt::LeftButton, {}, QPoint(4, backBox->height() / 2));
        auto *what = dialog->findChild<QLineEdit *>("findWhat");
        what->selectAll();
        QTest::keyClicks(what, pattern);
        QTest::keyClick(what, Qt::Key_Return);   // Find Next is the default button
        QCOMPARE(marked(), expected);
        QVERIFY(dialog->findChild<QLabel *>("findStatus")->text().contains(note));
        if (!note.isEmpty())
            QVERIFY2(m_fx->statusText().contains(note), qPrintable(m_fx->statusText()));
        const long line = view()->SendScintilla(Sci::SCI_LINEFROMPOSITION, view()->SendScintilla(Sci::SCI_GETCURRENTPOS));
        QVERIFY(view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, u(line)));
    }

    // F3 and Shift+F3 repeat the last search from the editor; before any
    // search, F3 opens Find.
    void findAgain()
    {
        setMarked("|ab ab ab"_ba);
        QTest::keyClick(view(), Qt::Key_F3);
        CFindDialog *dialog = m_fx->findChild<CFindDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QTest::keyClicks(dialog->findChild<QLineEdit *>("findWhat"), "ab");
        dialog->hide();
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_F3);
        QCOMPARE(marked(), "[ab] ab ab"_ba);
        QTest::keyClick(view(), Qt::Key_F3);
        QCOMPARE(marked(), "ab [ab] ab"_ba);
        QTest::keyClick(view(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(marked(), "[ab] ab ab"_ba);
    }

    void replaceAll_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("note");
        QTest::newRow("plain") << "a-a-a"_ba << "a" << "bb" << false << "bb-bb-bb"_ba << "3 replaced.";
        QTest::newRow("replacement holds the pattern") << "ab ab"_ba << "ab" << "abab" << false << "abab abab"_ba
                                                       << "2 replaced.";
        QTest::newRow("regex groups") << "my $x = 1;\nmy $y = 2;\n"_ba << "\\$(\\w) = (\\d)" << "$\\1 = \\2\\2" << true
                                      << "my $x = 11;\nmy $y = 22;\n"_ba << "2 replaced.";
        QTest::newRow("regex empty match at each line start")
            << "a\nb\n"_ba << "^" << "# " << true << "# a\n# b\n# "_ba << "3 replaced.";
        QTest::newRow("nothing to replace") << "abc"_ba << "z" << "y" << false << "abc"_ba << "0 replaced.";
    }

    // Replace All, and one Undo takes all of it back.
    void replaceAll()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(bool, regex);
        QFETCH(QByteArray, expected);
        QFETCH(QString, note);
        view()->setBytes(text);
        QTest::keyClick(view(), Qt::Key_H, Qt::ControlModifier);
        CFindDialog *dialog = m_fx->findChild<CFindDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->findChild<QCheckBox *>("regularExpression")->setChecked(regex);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("findWhat"), pattern);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("replaceWith"), replacement);
        clickButton(dialog, "Replace &All");
        QCOMPARE(view()->bytes(), expected);
        QCOMPARE(dialog->findChild<QLabel *>("findStatus")->text(), note);
        dialog->hide();
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view()->bytes(), text);
    }

    // Replace replaces the selected match only, then selects the next.
    void replaceOne()
    {
        setMarked("|cat cot cat"_ba);
        QTest::keyClick(view(), Qt::Key_H, Qt::ControlModifier);
        CFindDialog *dialog = m_fx->findChild<CFindDialog *>();
        dialog->findChild<QCheckBox *>("regularExpression")->setChecked(true);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("findWhat"), "c.t");
        QTest::keyClicks(dialog->findChild<QLineEdit *>("replaceWith"), "dog");
        clickButton(dialog, "&Replace");   // selects the first match
        QCOMPARE(marked(), "[cat] cot cat"_ba);
        clickButton(dialog, "&Replace");
        QCOMPARE(marked(), "dog [cot] cat"_ba);
    }

    void goToLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("line");   // 0: refused
        QTest::newRow("a line") << "3" << 3;
        QTest::newRow("the last line") << "5" << 5;
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
        if (QByteArray(QTest::currentDataTag()).contains("folded"))
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
        const long caretLine = view()->SendScintilla(Sci::SCI_LINEFROMPOSITION, u(caret));
        if (line == 0) {
            QVERIFY(stillOpen);
            QCOMPARE(note, "Enter a line number from 1 to 5.");
            QCOMPARE(caret, 0);
            return;
        }
        QCOMPARE(caretLine + 1, line);
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
        QTest::newRow("script's words after three characters")
            << "my $counter = 1; my $count_all; $cou = 2;\n"_ba << "$cou"_ba << false
            << QStringList{"count_all", "counter"};
        QTest::newRow("two characters show nothing") << "my $counter;\n"_ba << "$co"_ba << false << QStringList{};
        QTest::newRow("functions of OSTRAK.FNL") << "\n"_ba << "spr"_ba << false << QStringList{"sprintf"};
        QTest::newRow("functions and words together, case counts")
            << "my $splitter; my $Splat;\n"_ba << "spl"_ba << false << QStringList{"split", "splitter"};
        QTest::newRow("Ctrl+Space from the first character")
            << "my $apple; my $avocado;\n"_ba << "a"_ba << true << QStringList{"abs", "apple", "avocado"};
        QTest::newRow("a word starting with a digit is not completed") << "my $x = 123456;\n"_ba << "123"_ba << false
                                                                       << QStringList{};
    }

    // What the list shows, as the user sees it, for the keys typed at the
    // end of the script.
    void completion()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, typed);
        QFETCH(bool, forced);
        QFETCH(QStringList, list);
        view()->loadText(text, m_fx.env->path("c.pl"));
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), QString::fromUtf8(typed));
        if (forced)
            QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(shownList(), list);
    }

    // Enter and Tab take the chosen word: no line break, no indentation.
    void choosingAWord_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Tab") << int(Qt::Key_Tab);
    }

    void choosingAWord()
    {
        QFETCH(int, key);
        m_fx.env->writeConfig({"AUTO_INDENT=Y", "TAB_EXPAND=Y", "TAB_SIZE=4"});
        view()->loadText("    my $counter;\n    $cou"_ba, m_fx.env->path("c.pl"));
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), "n");
        QCOMPARE(shownList(), QStringList{"counter"});
        QTest::keyClick(view(), Qt::Key(key));
        QCOMPARE(view()->bytes(), "    my $counter;\n    $counter"_ba);
        QVERIFY(!view()->SendScintilla(Sci::SCI_AUTOCACTIVE));
        QTest::keyClick(view(), Qt::Key_Return);   // the next Enter is an Enter again
        QCOMPARE(view()->bytes(), "    my $counter;\n    $counter\n    "_ba);
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

    void wordIndex_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("sigils and punctuation end words") << "$abc{abd}->abe(@abf)"_ba << "ab"_ba
                                                          << QStringList{"abc", "abd", "abe", "abf"};
        QTest::newRow("short words are not kept") << "ab abc"_ba << "a"_ba << QStringList{"abc"};
        QTest::newRow("the prefix itself is not offered") << "abc abcd"_ba << "abc"_ba << QStringList{"abcd"};
        QTest::newRow("UTF-8 letters belong to words") << "caf\xc3\xa9s cafe"_ba << "caf"_ba
                                                       << QStringList{"cafe", "caf\u00e9s"};
    }

    // The index and the quick look at nearby text agree.
    void wordIndex()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, prefix);
        QFETCH(QStringList, words);
        CWordIndex index;
        index.addText(text.constData(), text.size());
        QSet<QByteArray> nearby;
        CWordIndex::collect(text.constData(), text.size(), prefix, nearby);
        QStringList fromIndex, fromNearby;
        for (const QByteArray &w : index.complete(prefix))
            fromIndex << QString::fromUtf8(w);
        for (const QByteArray &w : nearby)
            fromNearby << QString::fromUtf8(w);
        fromNearby.sort();
        QCOMPARE(fromIndex, words);
        QCOMPARE(fromNearby, words);
    }

    // Blocks and POD fold; a click in the fold margin folds a block and a
    // second one unfolds it.
    void folding()
    {
        view()->loadText("if ($x) {\n  1;\n}\n\n=pod\n\ntext\n\n=cut\n"_ba, m_fx.env->path("f.pl"));
        view()->SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
        const auto isHeader = [this](int line) {
            return (view()->SendScintilla(Sci::SCI_GETFOLDLEVEL, u(line)) & Sci::SC_FOLDLEVELHEADERFLAG) != 0;
        };
        QCOMPARE((QList<bool>{isHeader(0), isHeader(1), isHeader(4), isHeader(6)}),
                 (QList<bool>{true, false, true, false}));
        long x = 0;
        for (int m = 0; m < 2; ++m)
            x += view()->SendScintilla(Sci::SCI_GETMARGINWIDTHN, u(m));
        const QPoint marker(int(x) + 4, int(view()->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL)) / 2);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, marker);
        QVERIFY(!view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, 1UL));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, marker);
        QVERIFY(view()->SendScintilla(Sci::SCI_GETLINEVISIBLE, 1UL));
    }

    // The guides' View switch is kept for the next start.
    void indentationGuidesSurviveRestart()
    {
        QAction *guides = m_fx->action(ID_VIEW_INDENTATION_GUIDES);
        QVERIFY(guides->isChecked() && view()->indentationGuides());
        guides->trigger();
        QVERIFY(!guides->isChecked() && !view()->indentationGuides());
        m_fx.frame.reset();
        m_fx.frame = std::make_unique<CMainFrame>(m_fx.env->app());
        QVERIFY(!m_fx->action(ID_VIEW_INDENTATION_GUIDES)->isChecked());
        QVERIFY(!m_fx->view()->indentationGuides());
    }

    void changedOnDisk_data()
    {
        QTest::addColumn<QString>("answer");        // what the user does with the bar, then Save
        QTest::addColumn<QByteArray>("onDisk");     // the file afterwards
        QTest::addColumn<QByteArray>("inEditor");
        QTest::newRow("Keep, then Save asks; No keeps the other program's text")
            << "keep,no" << "theirs\n"_ba << "mine\nours\n"_ba;
        QTest::newRow("Keep, then Save asks; Yes overwrites") << "keep,yes" << "mine\nours\n"_ba << "mine\nours\n"_ba;
        QTest::newRow("Save without touching the bar asks") << "no" << "theirs\n"_ba << "mine\nours\n"_ba;
        QTest::newRow("Reload asks about the editor's changes, then loads")
            << "reload,yes" << "theirs\n"_ba << "theirs\n"_ba;
        QTest::newRow("Reload refused keeps the editor's text")
            << "reload,no" << "theirs\n"_ba << "mine\nours\n"_ba;
    }

    // Another program writes the open script: the bar appears, and a save
    // never overwrites its text without asking.
    void changedOnDisk()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, onDisk);
        QFETCH(QByteArray, inEditor);
        const QString path = m_fx.env->path("s.pl");
        CTestEnvironment::writeFile(path, "mine\n"_ba);
        QVERIFY(m_fx->OpenDocumentFile(path));
        view()->SendScintilla(Sci::SCI_DOCUMENTEND);
        QTest::keyClicks(view(), "ours");
        QTest::keyClick(view(), Qt::Key_Return);
        CFileChangeBar *bar = m_fx->editCommands()->fileChangeBar();
        QVERIFY(!bar->isVisible());
        CTestEnvironment::writeFile(path, "theirs\n"_ba);
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->text(), "s.pl was changed on disk by another program.");

        const QStringList steps = answer.split(',');
        if (steps.first() == "reload") {
            answerNextMessageBox(steps.last() == "yes" ? QMessageBox::Yes : QMessageBox::No);
            QTest::mouseClick(bar->findChild<QPushButton *>("reloadButton"), Qt::LeftButton);
            QCOMPARE(bar->isVisible(), steps.last() != "yes");
        } else if (steps.first() == "keep") {
            QTest::mouseClick(bar->findChild<QPushButton *>("keepButton"), Qt::LeftButton);
            QVERIFY(!bar->isVisible());
        }
        if (steps.first() != "reload") {
            QString question;
            answerNextMessageBox(steps.last() == "yes" ? QMessageBox::Yes : QMessageBox::No, &question);
            QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
            QTRY_VERIFY(!question.isEmpty());
            QVERIFY(question.contains("changed on disk by another program"));
        }
        QCOMPARE(CTestEnvironment::readFile(path), onDisk);
        QCOMPARE(view()->bytes(), inEditor);
    }

    // The editor's own saves raise no bar and no question; a removed file
    // is told, and saving writes it again without asking.
    void ownSavesAndRemoval()
    {
        const QString path = m_fx.env->path("o.pl");
        CTestEnvironment::writeFile(path, "a\n"_ba);
        QVERIFY(m_fx->OpenDocumentFile(path));
        CFileChangeBar *bar = m_fx->editCommands()->fileChangeBar();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClicks(view(), "x");
            QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);   // no question may block here
            QTest::qWait(100);
            QVERIFY(!bar->isVisible());
        }
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
        QByteArray plain = text;
        const qsizetype caret = plain.indexOf('|');
        plain.remove(caret, 1);
        view()->loadText(plain, m_fx.env->path("m.pl"));
        view()->SendScintilla(Sci::SCI_GOTOPOS, u(caret));
    }

    QByteArray marked() const
    {
        QByteArray text = view()->bytes();
        const long start = view()->SendScintilla(Sci::SCI_GETSELECTIONSTART);
        const long end = view()->SendScintilla(Sci::SCI_GETSELECTIONEND);
        if (start == end)
            return text.insert(start, '|');
        return text.insert(end, ']').insert(start, '[');
    }

    // The entries of the completion list on screen; empty when none is shown.
    QStringList shownList() const
    {
        if (!view()->SendScintilla(Sci::SCI_AUTOCACTIVE))
            return {};
        QStringList entries;
        for (QWidget *w : QApplication::allWidgets()) {
            auto *list = qobject_cast<QListWidget *>(w);
            for (int i = 0; list && list->isVisible() && i < list->count(); ++i)
                entries << list->item(i)->text();
        }
        return entries;
    }

    static void clickButton(QWidget *dialog, const QString &text)
    {
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == text)
                return QTest::mouseClick(b, Qt::LeftButton);
        }
        QFAIL(qPrintable("no button " + text));
    }

    CFrameFixture m_fx;
};

QTEST_MAIN(TestEditFeatures)
#include "tst_editfeatures.moc"
