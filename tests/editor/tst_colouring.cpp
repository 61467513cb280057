#include "CFrameFixture.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <Qsci/qscilexer.h>

#include <QAction>
#include <QSettings>
#include <QTest>

Q_DECLARE_METATYPE(CSyntaxChoice::Language)

class tst_Colouring : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("View")); }
    void cleanup() { m_fx.close(); }

    void choice_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<CSyntaxChoice::Language>("expected");
        QTest::addRow("Perl ending") << "/s/X.pm" << QByteArray("package X;") << CSyntaxChoice::Perl;
        QTest::addRow(".java wins over #!") << "/s/A.java" << QByteArray("#!/usr/bin/perl") << CSyntaxChoice::Java;
        QTest::addRow(".JAVA is not Java") << "/s/A.JAVA" << QByteArray("class A {") << CSyntaxChoice::Plain;
        QTest::addRow(".HTML") << "/s/page.HTML" << QByteArray("<html>") << CSyntaxChoice::Html;
        QTest::addRow("other ending, #! names perl") << "/s/tool.txt" << QByteArray("#!/usr/bin/env perl -w")
                                                     << CSyntaxChoice::Perl;
        QTest::addRow("shell script") << "/s/tool" << QByteArray("#!/bin/sh") << CSyntaxChoice::Plain;
        QTest::addRow("perl named, no #!") << "/s/notes" << QByteArray("# perl notes") << CSyntaxChoice::Plain;
        QTest::addRow("new script, no interpreter") << QString() << QByteArray("#!") << CSyntaxChoice::Plain;
    }

    void choice()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, first);
        QFETCH(CSyntaxChoice::Language, expected);
        QCOMPARE(CSyntaxChoice::forFile(path, CSyntaxChoice::firstLine(first + "\r\nperl")), expected);
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

    // Both on at first; each toggles its effect and is kept for the next
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
                               m_fx->action(ID_VIEW_LINE_NUMBERS)->isChecked(), widths.last() > 0};
        };
        const auto restart = [&] {
            m_fx.frame.reset();
            m_fx.frame = std::make_unique<CMainFrame>(m_fx.env->app());
        };
        QCOMPARE(state(9), QList<bool>({true, true, true, true}));
        QCOMPARE(state(12000), QList<bool>({true, true, true, true}));
        QVERIFY(widths[1] > widths[0]);
        m_fx->action(ID_VIEW_SYNTAX_COLOURING)->trigger();
        m_fx->action(ID_VIEW_LINE_NUMBERS)->trigger();
        QCOMPARE(m_fx->view()->language(), CSyntaxChoice::Plain);
        restart();
        QCOMPARE(state(9), QList<bool>({false, false, false, false}));
        m_fx->action(ID_VIEW_LINE_NUMBERS)->trigger();
        restart();
        QCOMPARE(state(9), QList<bool>({false, false, true, true}));
    }

private:
    CFrameFixture m_fx;
};

QTEST_MAIN(tst_Colouring)
#include "tst_colouring.moc"
