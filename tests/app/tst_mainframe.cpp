#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/CAtomicFile.h"
#include "app/CommandIds.h"
#include "app/COperatorsPalette.h"
#include "app/COstrakApp.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <Qsci/qscilexer.h>

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CSyntaxChoice::Language)

// The main window shown as the user sees it: menus, bars, palette, the
// insertion commands behind their buttons, the script's colouring, and File
// Open, Save and Save As through the real file dialogs.
class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("View"));
        m_fx.open();
        m_cwd = QDir::currentPath();
        m_fx->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_fx.frame.get()));
    }

    void cleanup()
    {
        QCOMPARE(QDir::currentPath(), m_cwd);   // no command moves the process's folder
        m_fx.close();
    }

    // Every menu item, accelerator and toolbar button against the command
    // table; each insertion button is clicked on a selection and undone.
    void commandTable()
    {
        QFile file(QStringLiteral(OSTRAK_SOURCE_DIR "/tests/app/commands.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QMap<QString, QList<QAction *>> places;
        std::function<void(QMenu *, const QString &)> walk = [&](QMenu *menu, const QString &place) {
            for (QAction *a : menu->actions()) {
                if (idOf(a) != "recent" || places[place].isEmpty() || idOf(places[place].last()) != "recent")
                    places[place] << a;
                if (a->menu())
                    walk(a->menu(), place + '>' + a->text().remove('&'));
            }
        };
        for (QAction *top : m_fx->menuBar()->actions())
            walk(top->menu(), top->text().remove('&'));
        places["main"] = m_fx->mainToolBar()->actions();
        places["scripting"] = m_fx->scriptingToolBar()->actions();
        for (QToolButton *b : m_fx->operatorsPalette()->buttons())
            places["operators"] << b->defaultAction();

        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            QStringList f = QString::fromUtf8(line).split('\t');
            for (QString &field : f)
                field.replace("\\t", "\t").replace("\\r", "\r").replace("\\n", "\n");
            const QString &where = f[0];
            QAction *a = where == "keys" ? m_fx->action(f[1].toInt())
                                         : places[where].isEmpty() ? nullptr : places[where].takeFirst();
            QVERIFY2(a && idOf(a) == f[1], line.constData());
            QStringList keys, expectedKeys;
            for (const QKeySequence &k : a->shortcuts())
                keys << k.toString();
            for (const QString &k : f[5].split(", ", Qt::SkipEmptyParts))
                expectedKeys << QKeySequence(k).toString();
            if (where == "keys") {
                QCOMPARE(keys, expectedKeys);
                continue;
            }
            // The table's CR LF lines; a script without line ends takes LF.
            if (where == "scripting" || where == "operators")
                QCOMPARE(inserted(a), "L " + f[6].replace("%s", "abc").replace("\r\n", "\n").toUtf8() + " R");
            else if (where != "main" && f[1] != "-" && f[1] != "recent")
                QCOMPARE(a->text() + (keys.isEmpty() ? QString() : '\t' + keys.first()), f[2]);
            if (where != "main" && f[1] != "-") {
                QCOMPARE(a->statusTip(), f[3]);
                QCOMPARE(keys, expectedKeys);
            }
            if (!f[4].isEmpty())
                QCOMPARE(a->toolTip(), f[4]);
            if (f[7] == "greyed")
                QVERIFY(!a->isEnabled());
        }
        for (auto it = places.cbegin(); it != places.cend(); ++it)
            QVERIFY2(it->isEmpty(), qPrintable(it.key() + " has more items than the table"));
    }

    void insertion_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selEnd");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("quotes, nothing selected") << 32939 << "ab"_ba << 1 << 1 << "a '' b"_ba;
        QTest::newRow("if template at column 1 of an empty line")
            << 32780 << "#!\r\n\r\n"_ba << 4 << 4 << "#!\r\n\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\n\r\n"_ba;
        QTest::newRow("template in the middle of a line")
            << 32781 << "ab\r\n"_ba << 1 << 1 << "a\twhile ( ) {\r\n\t}\r\nb\r\n"_ba;
    }

    // The caret ends after the inserted text; one Undo takes it back.
    void insertion()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, text);
        QFETCH(int, selStart);
        QFETCH(int, selEnd);
        QFETCH(QByteArray, expected);
        COstrakView *view = m_fx->view();
        QCOMPARE(inserted(m_fx->action(id), text, selStart, selEnd, false), expected);
        const long caret = expected.size() - (text.size() - selEnd);
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), caret);
        QCOMPARE(view->SendScintilla(QsciScintillaBase::SCI_GETANCHOR), caret);
        QVERIFY(m_fx->document()->isModified());
        view->undo();
        QCOMPARE(view->bytes(), text);
    }

    // Each View command shows and hides its own bar only; its check mark follows.
    void checkMarksFollowVisibility()
    {
        const QList<QWidget *> bars{m_fx->mainToolBar(), m_fx->scriptingToolBar(), m_fx->operatorsPalette(),
                                    m_fx->statusBar()};
        const int ids[] = {ID_VIEW_TOOLBAR, ID_VIEW_SCRIPTING_TOOLBAR, ID_VIEW_OPERATORS, ID_VIEW_STATUS_BAR};
        for (int target = 0; target < 4; ++target) {
            QAction *action = m_fx->action(ids[target]);
            action->trigger();
            QVERIFY(!action->isChecked());
            for (int i = 0; i < bars.size(); ++i)
                QCOMPARE(bars[i]->isVisible(), i != target);
            action->trigger();
            QVERIFY(action->isChecked() && bars[target]->isVisible());
        }
        m_fx->operatorsPalette()->close();   // closed by its own window
        QVERIFY(!m_fx->action(ID_VIEW_OPERATORS)->isChecked());
    }

    void caretAndPrompts()
    {
        COstrakView *view = m_fx->view();
        view->setBytes("abc\r\nde");
        view->setFocus();
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(m_fx->caretPaneText(), QStringLiteral("Line =   1, Col=  4"));
        const long at = 5 + 1;   // line 2, column 2
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          QPoint(int(view->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, at)) + 1,
                                 int(view->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at)) + 2));
        QCOMPARE(m_fx->caretPaneText(), QStringLiteral("Line =   2, Col=  2"));
    }

    // Settings changed since the last New reach the view at the next one.
    void newScriptTakesSettings()
    {
        m_fx.env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=4"});
        m_fx->OnFileNew();
        m_fx.env->writeConfig({"TAB_EXPAND=Y", "TAB_SIZE=2", "REMOTE_PERL_EXE=/usr/bin/perl",
                               "VIEW_FONT=-19,0,0,0,400,0,0,0,0,0,0,0,49,DejaVu Sans Mono"});
        COstrakView *view = m_fx->view();
        view->setFocus();
        view->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->bytes(), "#!\n    "_ba);
        m_fx->document()->setModified(false);
        QVERIFY(m_fx->OnFileNew());
        QCOMPARE(view->font().pixelSize(), 19);
        view->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->bytes(), "#!/usr/bin/perl\n  "_ba);

        bool opened = false;
        handleNextModal([&opened](QWidget *w) {
            opened = qobject_cast<QFontDialog *>(w) != nullptr;
            static_cast<QDialog *>(w)->accept();
        });
        QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(opened);
        QCOMPARE(view->bytes(), "#!/usr/bin/perl\n  "_ba);   // the key typed nothing
    }

    void dosWindow()
    {
        const QProcessEnvironment before = QProcessEnvironment::systemEnvironment();
        const auto restore = qScopeGuard([&before] {
            for (const char *name : {"TERMINAL", "SHELL", "PATH"})
                before.contains(name) ? qputenv(name, before.value(name).toLocal8Bit()) : qunsetenv(name);
        });
        QTemporaryDir dir;
        const QString record = dir.filePath(u"args"_s), terminal = dir.filePath(u"fake-terminal"_s);
        CTestEnvironment::writeFile(terminal, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n");
        QFile::setPermissions(terminal, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TERMINAL", terminal.toUtf8());
        qputenv("SHELL", "/bin/bash");
        m_fx->action(ID_TOOLS_DOS_WINDOW)->trigger();
        QCOMPARE(CTestEnvironment::readFile(record), "-e\n/bin/bash\n"_ba);   // waited for the terminal
        qputenv("TERMINAL", "/nonexistent/terminal");
        qputenv("PATH", dir.filePath(QStringLiteral("none")).toUtf8());
        qputenv("SHELL", "/bin/zsh");
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        m_fx->OnDosWindow();
        QCOMPARE(text, QStringLiteral("Could not run /bin/zsh"));
    }

    void choice_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<CSyntaxChoice::Language>("expected");
        QTest::addRow("Perl ending") << "/s/X.pm" << QByteArray("package X;") << CSyntaxChoice::Perl;
        QTest::addRow(".java wins over #!") << "/s/A.java" << QByteArray("#!/usr/bin/perl") << CSyntaxChoice::Java;
        QTest::addRow(".JAVA is not Java") << "/s/A.JAVA" << QByteArray("class A {") << CSyntaxChoice::Plain;
        QTest::addRow(".HTML") << "/s/page.HTML" << QByteArray("<html>") << CSyntaxChoice::Html;
        QTest::addRow("other ending, #! names perl") << "/s/tool.txt" << "#!/usr/bin/env perl -w"_ba << CSyntaxChoice::Perl;
        QTest::addRow("shell script") << "/s/tool" << QByteArray("#!/bin/sh") << CSyntaxChoice::Plain;
        QTest::addRow("perl named, no #!") << "/s/notes" << QByteArray("# perl notes") << CSyntaxChoice::Plain;
        QTest::addRow("new script, no interpreter") << QString() << QByteArray("#!") << CSyntaxChoice::Plain;
    }

    void choice()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, first);
        QTEST(CSyntaxChoice::forFile(path, CSyntaxChoice::firstLine(first + "\r\nperl")), "expected");
    }

    // Chosen by the first line, then by the new name after a save; the bytes
    // stay as they were; the editor font reaches every style.
    void colouringFollowsTheScript()
    {
        CMainFrame &frame = m_fx.open();
        const char raw[] = "#!/usr/bin/perl\rprint \"\xff\xfe\";\n<html>\r\n\0 $x = 1; # end";
        const QByteArray bytes(raw, sizeof raw - 1);
        CTestEnvironment::writeFile(m_fx.env->path("script"), bytes);
        QVERIFY(frame.OpenDocumentFile(m_fx.env->path("script")));
        QCOMPARE(frame.view()->language(), CSyntaxChoice::Perl);
        QVERIFY(frame.document()->OnSaveDocument(m_fx.env->path("page.html")).isEmpty());
        QCOMPARE(frame.view()->language(), CSyntaxChoice::Html);
        QCOMPARE(frame.view()->bytes(), bytes);
        QCOMPARE(CTestEnvironment::readFile(m_fx.env->path("page.html")), bytes);

        m_fx.env->app().setEditorFont(QFont(QStringLiteral("DejaVu Serif"), 17));
        QSet<long> colours;
        for (int style = 0; style < 128; ++style) {
            if (frame.view()->lexer()->description(style).isEmpty())
                continue;
            QByteArray face(64, '\0');
            frame.view()->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, style, face.data());
            QCOMPARE(face.constData() + QByteArray::number(frame.view()->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, style)),
                     QByteArray("DejaVu Serif17"));
            colours << frame.view()->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, style);
        }
        QVERIFY2(colours.size() > 4, "the styles are not coloured");
    }

    // All on at first; each toggles its effect and is kept for the next
    // start; the margin widens with the line count.
    void viewItemsSurviveRestart()
    {
        m_fx.open();
        QList<long> widths;
        const auto state = [&](int lines) {
            CTestEnvironment::writeFile(m_fx.env->path("t.pl"), QByteArray("1;\n").repeated(lines));
            m_fx->OpenDocumentFile(m_fx.env->path("t.pl"));
            widths << m_fx->view()->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 0UL);
            return QList<bool>{m_fx->action(ID_VIEW_SYNTAX_COLOURING)->isChecked(),
                               m_fx->view()->language() == CSyntaxChoice::Perl,
                               m_fx->action(ID_VIEW_LINE_NUMBERS)->isChecked(), widths.last() > 0,
                               m_fx->action(ID_VIEW_INDENTATION_GUIDES)->isChecked(),
                               m_fx->view()->indentationGuides()};
        };
        const auto restart = [&] {
            m_fx.frame.reset();
            m_fx.frame = std::make_unique<CMainFrame>(m_fx.env->app());
        };
        QCOMPARE(state(9), QList<bool>({true, true, true, true, true, true}));
        QCOMPARE(state(12000), QList<bool>({true, true, true, true, true, true}));
        QVERIFY(widths[1] > widths[0]);
        m_fx->action(ID_VIEW_SYNTAX_COLOURING)->trigger();
        m_fx->action(ID_VIEW_LINE_NUMBERS)->trigger();
        m_fx->action(ID_VIEW_INDENTATION_GUIDES)->trigger();
        QCOMPARE(m_fx->view()->language(), CSyntaxChoice::Plain);
        restart();
        QCOMPARE(state(9), QList<bool>({false, false, false, false, false, false}));
        m_fx->action(ID_VIEW_LINE_NUMBERS)->trigger();
        restart();
        QCOMPARE(state(9), QList<bool>({false, false, true, true, false, false}));
    }

    // Open and Save As start in LOCAL_DIRECTORY, then where the last one
    // ended (a cancelled one too).
    void dialogsStartWhereTheLastEnded()
    {
        const QString local = makeFolder("local"), other = makeFolder("other");
        const QString saved = QDir(local).filePath("saved.pl");
        CTestEnvironment::writeFile(QDir(other).filePath("a.pl"), "print 1;\n");
        m_fx.env->writeConfig({"LOCAL_DIRECTORY=" + local});
        QString start;
        answerFileDialog(other, "a.pl", &start);
        QVERIFY(m_fx->OnFileOpen());
        QCOMPARE(start, local);
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\n"));
        m_fx->view()->setBytes("print 2;\r\n", false);
        answerFileDialog(local, "saved.pl", &start);
        QVERIFY(m_fx->OnFileSaveAs());
        QCOMPARE(start, other);
        QCOMPARE(CTestEnvironment::readFile(saved), QByteArray("print 2;\r\n"));
        QVERIFY(!m_fx->document()->isModified());
        m_fx->view()->setBytes("print 3;\n", false);
        QVERIFY(m_fx->OnFileSave());   // asks nothing
        QCOMPARE(CTestEnvironment::readFile(saved), QByteArray("print 3;\n"));
        answerFileDialog(other, QString(), &start);
        QVERIFY(!m_fx->OnFileOpen());
        QCOMPARE(start + m_fx.env->app().workingDirectory(), local + other);
    }

    void modifiedScriptIsOfferedForSaving_data()
    {
        QTest::addColumn<int>("answer");   // Yes saves, No discards, Cancel stays
        for (QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            QTest::addRow("%d", int(answer)) << int(answer);
    }

    void modifiedScriptIsOfferedForSaving()
    {
        QFETCH(int, answer);
        const bool proceeds = answer != QMessageBox::Cancel, saved = answer == QMessageBox::Yes;
        const QString path = m_fx.env->path("s.pl");
        CTestEnvironment::writeFile(path, "old\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        m_fx->view()->setFocus();
        QTest::keyClicks(m_fx->view(), "new ");
        QString question;
        answerNextMessageBox(QMessageBox::StandardButton(answer), &question);
        QCOMPARE(m_fx->OnFileNew(), proceeds);
        QVERIFY(question.contains("s.pl"));
        QCOMPARE(CTestEnvironment::readFile(path), saved ? QByteArray("new old\n") : QByteArray("old\n"));
        // Closing the window asks the same.
        m_fx->show();
        m_fx->view()->setBytes("changed", false);
        answerNextMessageBox(proceeds ? QMessageBox::No : QMessageBox::Cancel);
        QCOMPARE(m_fx->close(), proceeds);
    }

    void openMissingFileReportsIt()
    {
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        QVERIFY(!m_fx->OpenDocumentFile(m_fx.env->path("nothere.pl")));
        QVERIFY2(text.contains("nothere.pl"), qPrintable(text));
        QCOMPARE(m_fx->document()->title(), QStringLiteral("Untitled"));
    }

    void droppedFileOpens()
    {
        const QString path = m_fx.env->path("dropped.pl");
        CTestEnvironment::writeFile(path, "print 'dropped';\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_fx.frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_fx.frame.get(), &drop);
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 'dropped';\n"));
    }

    // A save killed halfway leaves a hidden file beside its target; the next
    // open or write there removes it when its process is gone, and nothing else.
    void killedSaveIsCleanedUp_data()
    {
        QTest::addColumn<QString>("trigger");
        for (const char *trigger : {"open", "save", "download"})
            QTest::addRow("%s", trigger) << QString::fromLatin1(trigger);
    }

    void killedSaveIsCleanedUp()
    {
        QFETCH(QString, trigger);
        CTestEnvironment &env = *m_fx.env;
        const QString name = u"big.pl"_s, target = env.path(name);
        const QByteArray old = "OSTRAK_TAB_WIDTH=4\r\n";
        CTestEnvironment::writeFile(target, old);

        QProcess saver;
        saver.start(QStringLiteral(INTERRUPTED_SAVE), {target, u"50"_s});
        QVERIFY2(saver.waitForReadyRead(60000), qPrintable(saver.errorString()));
        const QString leftover = QString::fromLocal8Bit(saver.readLine().trimmed());
        const QString dead = QString::number(saver.processId());
        QCOMPARE(leftover, env.path(u".%1.ostrak-save-%2-"_s.arg(name, dead)) + leftover.right(6));
        QVERIFY(QFileInfo(leftover).size() >= 25 << 20);
        saver.kill();
        QVERIFY(saver.waitForFinished());

        QProcess other;
        other.start(u"sleep"_s, {u"60"_s});
        QVERIFY(other.waitForStarted());
        const QString hidden = '.' + name + ".ostrak-save-", folder = hidden + dead + "-folder";
        // File names beside the target and whether they must survive.
        const QList<std::pair<QString, bool>> files = {
            {leftover.mid(leftover.lastIndexOf('/') + 1), false},
            {hidden + QString::number(other.processId()) + "-Qw3rty", false},
            {name + ".s5eon9", true},
            {hidden + QString::number(::getpid()) + "-abcdef", true},
            {hidden + dead + "-abc", true},
            {hidden + dead + "-abcdef~", true},
            {hidden + '0' + dead + "-abcdef", true},
            {".x" + name + ".ostrak-save-" + dead + "-abcdef", true},
        };
        for (const auto &[file, kept] : files)
            if (kept)
                CTestEnvironment::writeFile(env.path(file), "user's " + file.toUtf8());
        QDir().mkdir(env.path(folder));
        QCOMPARE(CTestEnvironment::readFile(target), old);

        COstrakDoc &doc = *m_fx->document();
        QByteArray expected = old;
        if (trigger == u"open"_s) {
            QCOMPARE(doc.OnOpenDocument(target), QString());
            QCOMPARE(m_fx->view()->bytes(), old);
        } else if (trigger == u"save"_s) {
            QCOMPARE(doc.OnOpenDocument(env.path(u"big.pl.s5eon9"_s)), QString());
            QCOMPARE(doc.OnSaveDocument(target), QString());
            expected = m_fx->view()->bytes();
        } else {
            CAtomicFile download(target);
            expected = "downloaded";
            QCOMPARE(download.open(), QString());
            QCOMPARE(download.append(expected), QString());
            QCOMPARE(download.commit(), QString());
        }
        other.kill();
        other.waitForFinished();

        QCOMPARE(CTestEnvironment::readFile(target), expected);
        for (const auto &[file, kept] : files) {
            QVERIFY2(QFile::exists(env.path(file)) == kept, qPrintable(file));
            if (kept)
                QCOMPARE(CTestEnvironment::readFile(env.path(file)), "user's " + file.toUtf8());
        }
        QVERIFY(QFileInfo(env.path(folder)).isDir());
    }

private:
    QString makeFolder(const QString &name)
    {
        QDir(m_fx.env->programDir()).mkpath(name);
        return QDir(m_fx.env->path(name)).canonicalPath();
    }

    // Schedules the next file dialog: notes where it starts, moves to
    // `folder`, then types `fileName` and accepts, or cancels when it is empty.
    void answerFileDialog(const QString &folder, const QString &fileName, QString *startFolder)
    {
        handleNextModal([=](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY2(dialog, w->metaObject()->className());
            *startFolder = dialog->directory().absolutePath();
            if (fileName.isEmpty()) {
                dialog->setDirectory(folder);
                return dialog->reject();
            }
            chooseInFileDialog(dialog, QDir(folder).filePath(fileName));
        });
    }

    static QString idOf(QAction *a)
    {
        return a->isSeparator() ? u"-"_s
             : a->menu()        ? u"submenu"_s
             : a->data().toInt() ? QString::number(a->data().toInt())
                                 : u"recent"_s;
    }

    // Selects selStart..selEnd of `text`, clicks the button of `a` and returns
    // the script; undoes the insertion when `undo`.
    QByteArray inserted(QAction *a, const QByteArray &text = "L abc R"_ba, int selStart = 2, int selEnd = 5,
                        bool undo = true)
    {
        COstrakView *view = m_fx->view();
        view->setBytes(text);
        view->SendScintilla(QsciScintillaBase::SCI_SETSEL, selStart, selEnd);
        m_fx->document()->setModified(false);
        auto *b = qobject_cast<QToolButton *>(m_fx->scriptingToolBar()->widgetForAction(a));
        for (QToolButton *p : m_fx->operatorsPalette()->buttons())
            b = p->defaultAction() == a ? p : b;
        if (!b || !b->isVisible() || !b->isEnabled())
            return "no button for " + a->objectName().toUtf8();
        QTest::mouseClick(b, Qt::LeftButton);
        const QByteArray after = view->bytes();
        if (undo) {
            view->undo();
            if (view->bytes() != text)
                return "Undo left " + view->bytes();
        }
        return after;
    }

    CFrameFixture m_fx;
    QString m_cwd;
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
