#include "CTestEnvironment.h"

#include "app/CAtomicFile.h"
#include "app/COstrakApp.h"
#include "editor/CLineEnds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Sci = QsciScintillaBase;

// The editor: the script's bytes from disk to the view and back, the
// line-end conversions and the typing aids, driven by real key events.
// Texts mark the caret with "|", a selection with "[" (anchor) and "]" (caret).
class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CTestEnvironment>();
        m_view = std::make_unique<COstrakView>();
        m_doc = std::make_unique<COstrakDoc>(m_view.get(), m_env->app());
        m_view->resize(600, 300);
        m_view->show();
        m_view->setFocus();
    }

    void cleanup() { m_doc.reset(); m_view.reset(); m_env.reset(); }

    void rawRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("mixed and lone CR") << QByteArray("a\r\nb\nc\rd\r\r\n");
        QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 \xff\xfe \xc3\x28 \xe2\x82\n");
        QTest::newRow("NUL bytes") << QByteArray("a\0b\0\0c\n", 7);
        QTest::newRow("empty") << QByteArray();
    }

    // Saving keeps the bytes and the file's permissions.
    void rawRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        const QString in = m_env->path("in.pl");
        CTestEnvironment::writeFile(in, bytes);
        ::chmod(QFile::encodeName(in).constData(), 0751);
        QCOMPARE(m_doc->OnOpenDocument(in), QString());
        QCOMPARE(m_view->bytes(), bytes);
        QVERIFY(!m_doc->isModified());
        CTestEnvironment::writeFile(in, "changed on disk");   // the save must replace it
        QCOMPARE(m_doc->OnSaveDocument(in), QString());
        QCOMPARE(CTestEnvironment::readFile(in), bytes);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(in).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0751u);
        QCOMPARE(QDir(m_env->programDir()).entryList(QDir::Files), QStringList{"in.pl"});
    }

    void conversions_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("dos");
        QTest::addColumn<QByteArray>("unix");
        QTest::newRow("CR LF stays, no CR CR LF") << "a\r\nb\r\n"_ba << "a\r\nb\r\n"_ba << "a\nb\n"_ba;
        QTest::newRow("lone CR kept") << QByteArray("a\rb\n") << QByteArray("a\rb\r\n") << QByteArray("a\rb\n");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\r\n") << QByteArray("a\r\n");
        QTest::newRow("NUL and bad UTF-8") << QByteArray("\xff\0\n", 3) << QByteArray("\xff\0\r\n", 4) << QByteArray("\xff\0\n", 3);
    }

    // Each conversion is one undoable edit that marks the script modified.
    void conversions()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, dos);
        QCOMPARE(CLineEnds::toDos(CLineEnds::toDos(text)), dos);
        QTEST(CLineEnds::toUnix(text), "unix");
        m_view->setBytes(text);
        m_doc->setModified(false);
        m_doc->convertToDos();
        QCOMPARE(m_view->bytes(), dos);
        QVERIFY(m_doc->isModified());
        m_doc->convertToUnix();
        QCOMPARE(m_view->bytes(), CLineEnds::toUnix(dos));
        m_view->undo();
        QCOMPARE(m_view->bytes(), dos);
        m_view->undo();
        QCOMPARE(m_view->bytes(), text);
    }

    // A failed save leaves the old file whole and the script modified.
    void failedSaveKeepsOldFile()
    {
        QDir(m_env->programDir()).mkdir("ro");
        const QString path = m_env->path("ro/script.pl");
        CTestEnvironment::writeFile(path, "old content\n");
        QCOMPARE(m_doc->OnOpenDocument(path), QString());
        m_view->setBytes("new content\n", false);
        m_env->makeReadOnlyFolder(m_env->path("ro"));
        const QByteArray text = m_view->bytes();
        const int failed = CTestEnvironment::runUnprivileged([&] { return !CAtomicFile::write(path, text).isEmpty(); });
        ::chmod(QFile::encodeName(m_env->path("ro")).constData(), 0700);
        QCOMPARE(failed, 1);
        QCOMPARE(CTestEnvironment::readFile(path), QByteArray("old content\n"));
        QCOMPARE(QDir(m_env->path("ro")).entryList(QDir::Files | QDir::Hidden), QStringList{"script.pl"});
        QVERIFY(!m_doc->OnSaveDocument(m_env->path("no/such/folder/x.pl")).isEmpty());
        QVERIFY(m_doc->isModified());
        QCOMPARE(m_doc->pathName(), path);
        // Neither a missing file nor a folder opens.
        QVERIFY(!m_doc->OnOpenDocument(m_env->path("missing.pl")).isEmpty());
        QVERIFY(!m_doc->OnOpenDocument(m_env->programDir()).isEmpty());
        QCOMPARE(m_view->bytes(), text);
    }

    void homeCycle_data()
    {
        // Keys: H Home, S Shift+Home, C Ctrl+Home, R Right, ^ Shift pressed and held.
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QList<int>>("positions");   // caret after each key
        QTest::addColumn<int>("finalAnchor");
        QTest::newRow("first non-blank, start, start") << "    print 1;|"_ba << "HHH"_ba << QList<int>{4, 0, 0} << 0;
        QTest::newRow("blank line goes to its end") << " |\t  \r\nx"_ba << "H"_ba << QList<int>{4} << 4;
        QTest::newRow("another key restarts the cycle") << "  ab|"_ba << "HRHH"_ba << QList<int>{2, 3, 2, 0} << 0;
        QTest::newRow("shift held: second press selects the indent") << "    abc|"_ba << "^SS"_ba << QList<int>{7, 4, 0} << 4;
        QTest::newRow("ctrl: then the text start") << "a\r\n  b|"_ba << "CC"_ba << QList<int>{5, 0} << 0;
        QTest::newRow("first 1024 characters examined") << QByteArray(1030, ' ') + "x|" << "H"_ba << QList<int>{1024} << 1024;
    }

    void homeCycle()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, keys);
        QFETCH(QList<int>, positions);
        configure({});
        const QByteArray plain = setMarked(text);
        for (int i = 0; i < keys.size(); ++i) {
            const char k = keys[i];
            if (k == '^')
                send(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);   // never released
            else
                press(k == 'R' ? Qt::Key_Right : Qt::Key_Home, k == 'S' ? Qt::ShiftModifier : k == 'C' ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(pos(), long(positions[i]));
        }
        QTEST(int(anchor()), "finalAnchor");
        QCOMPARE(m_view->bytes(), plain);
    }

    // A Tab or an Enter typed into `text`; the edit, indentation included, is one Undo step.
    void typedKey_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        const int tab = Qt::Key_Tab, ret = Qt::Key_Return;
        const QStringList expand{"TAB_EXPAND=Y", "TAB_SIZE=4"}, keep{"TAB_EXPAND=N", "TAB_SIZE=4"};
        QTest::newRow("expand 4 over a selection") << expand << tab << "a[bc]d"_ba << "a    |d"_ba;
        QTest::newRow("expand 0 deletes the selection") << QStringList{"TAB_EXPAND=Y", "TAB_SIZE=0"} << tab << "a[bc]d"_ba << "a|d"_ba;
        QTest::newRow("size with trailing letters") << QStringList{"TAB_EXPAND=Y", "TAB_SIZE=3abc"} << tab << "|x"_ba << "   |x"_ba;
        QTest::newRow("no expansion in the indentation") << keep << tab << "|  x"_ba << "\t|  x"_ba;
        QTest::newRow("multi-line selection replaced, not indented") << keep << tab << "[x\r\ny\r\n]z"_ba << "\t|z"_ba;
        const QStringList on{"AUTO_INDENT=Y", "TAB_EXPAND=N", "TAB_SIZE=4"};
        // Enter inserts the document's first line end; LF while it has none.
        QTest::newRow("tab-indented line with a brace") << on << ret << "\tif ($x) {|"_ba << "\tif ($x) {\n\t\t|"_ba;
        QTest::newRow("mixed blanks kept exactly") << on << ret << " \t x|"_ba << " \t x\n \t |"_ba;
        QTest::newRow("brace inside a string counts") << on << ret << "  print \"{\";|"_ba << "  print \"{\";\n  \t|"_ba;
        QTest::newRow("brace, expanded tabs") << QStringList{"AUTO_INDENT=Y", "TAB_EXPAND=Y", "TAB_SIZE=4"} << ret << "  if (1) {|"_ba << "  if (1) {\n      |"_ba;
        QTest::newRow("off") << QStringList{"AUTO_INDENT=N"} << ret << "  if (1) {|"_ba << "  if (1) {\n|"_ba;
        QTest::newRow("first 1024 characters examined") << on << ret << QByteArray(1030, ' ') + "{|" << QByteArray(1030, ' ') + "{\n" + QByteArray(1024, ' ') + "|";
        QTest::newRow("LF before CR LF") << on << ret << "x\ny\r\nab|"_ba << "x\ny\r\nab\n|"_ba;
        QTest::newRow("CR LF far from the start") << on << ret << QByteArray(100000, 'a') + "\r\nb|" << QByteArray(100000, 'a') + "\r\nb\r\n|";
    }

    void typedKey()
    {
        QFETCH(QStringList, config);
        QFETCH(int, key);
        QFETCH(QByteArray, text);
        configure(config);
        const QByteArray plain = setMarked(text);
        press(key);
        QTEST(marked(), "expected");
        if (m_view->bytes() != plain)
            m_view->undo();
        QCOMPARE(m_view->bytes(), plain);
    }

    void autoRepeatIndentsLastLineOnly()
    {
        configure({"AUTO_INDENT=Y", "TAB_EXPAND=N"});
        setMarked("  x|");
        // Held down: repeated presses, each with an auto-repeat release, then the real release.
        send(QEvent::KeyPress, Qt::Key_Return);
        for (int i = 0; i < 2; ++i) {
            send(QEvent::KeyRelease, Qt::Key_Return, {}, true);
            send(QEvent::KeyPress, Qt::Key_Return, {}, true);
        }
        QCOMPARE(m_view->bytes(), "  x\n\n\n"_ba);
        send(QEvent::KeyRelease, Qt::Key_Return);
        QCOMPARE(marked(), "  x\n\n\n|"_ba);   // the line before is empty
    }

    void tabShownAtTabSize_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("columns");
        QTest::newRow("0: the usual 8") << "TAB_SIZE=0" << 8;
        QTest::newRow("huge: at most 100") << "TAB_SIZE=99999999999999999999" << 100;
    }

    // A tab character takes TAB_SIZE columns from the next New.
    void tabShownAtTabSize()
    {
        QFETCH(QString, size);
        QFETCH(int, columns);
        configure({size});
        m_doc->OnNewDocument();
        m_view->setBytes("\tx");
        const long x = m_view->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, 1L)
                       - m_view->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, 0L);
        QCOMPARE(x, m_view->SendScintilla(Sci::SCI_TEXTWIDTH, Sci::STYLE_DEFAULT, QByteArray(columns, ' ').constData()));
    }

private:
    void configure(const QStringList &lines)
    {
        m_env->writeConfig(lines);
        m_view->OnInitialUpdate();
    }

    // Puts the text in the view and selects as its marks say; returns the text without them.
    QByteArray setMarked(QByteArray text)
    {
        const int anchorAt = int(text.indexOf('['));
        if (anchorAt >= 0)
            text.remove(anchorAt, 1);
        const int caretAt = int(std::max(text.indexOf('|'), text.indexOf(']')));
        text.remove(caretAt, 1);
        m_view->setBytes(text);
        m_view->SendScintilla(Sci::SCI_SETSEL, anchorAt >= 0 ? anchorAt : caretAt, caretAt);
        return text;
    }

    QByteArray marked() const
    {
        QByteArray text = m_view->bytes();
        return anchor() == pos() ? text.insert(pos(), '|') : text.insert(std::max(pos(), anchor()), ']').insert(std::min(pos(), anchor()), '[');
    }

    // A key press and its release, without the modifier keys' own events.
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        send(QEvent::KeyPress, key, mods);
        send(QEvent::KeyRelease, key, mods);
    }

    void send(QEvent::Type type, int key, Qt::KeyboardModifiers mods = {}, bool autoRepeat = false)
    {
        const bool typed = type == QEvent::KeyPress && (key == Qt::Key_Return || key == Qt::Key_Tab);
        QKeyEvent event(type, key, mods, !typed ? QString() : key == Qt::Key_Return ? u"\r"_s : u"\t"_s, autoRepeat);
        QCoreApplication::sendEvent(m_view.get(), &event);
    }

    long pos() const { return m_view->SendScintilla(Sci::SCI_GETCURRENTPOS); }
    long anchor() const { return m_view->SendScintilla(Sci::SCI_GETANCHOR); }

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<COstrakView> m_view;
    std::unique_ptr<COstrakDoc> m_doc;
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
