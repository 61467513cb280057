#include "CFrameFixture.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "editor/CSyntaxChoice.h"

#include <Qsci/qscilexer.h>

#include <QAction>
#include <QSettings>
#include <QTest>

Q_DECLARE_METATYPE(CSyntaxChoice::Language)

namespace {

using Sci = QsciScintillaBase;

long marginWidth(COstrakView *view)
{
    return view->SendScintilla(Sci::SCI_GETMARGINWIDTHN, 0UL);
}

} // namespace

class tst_Colouring : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).remove(QStringLiteral("View")); }

    void cleanup()
    {
        m_frame.reset();
        m_env.reset();
    }

    void choice_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<CSyntaxChoice::Language>("expected");
        QTest::addRow("Perl ending") << "/s/x.pl" << QByteArray() << CSyntaxChoice::Perl;
        QTest::addRow("module ending") << "/s/X.pm" << QByteArray("package X;") << CSyntaxChoice::Perl;
        QTest::addRow(".java") << "/s/Hello.java" << QByteArray("#!/usr/bin/perl") << CSyntaxChoice::Java;
        QTest::addRow(".JAVA is not Java") << "/s/Hello.JAVA" << QByteArray("class Hello {") << CSyntaxChoice::Plain;
        QTest::addRow(".htm") << "/s/page.htm" << QByteArray("<html>") << CSyntaxChoice::Html;
        QTest::addRow(".HTML") << "/s/page.HTML" << QByteArray("#!/usr/bin/perl") << CSyntaxChoice::Html;
        QTest::addRow("no ending, perl on the #! line") << "/s/tool" << QByteArray("#!/usr/bin/env perl -w")
                                                        << CSyntaxChoice::Perl;
        QTest::addRow("other ending, perl on the #! line") << "/s/notes.txt" << QByteArray("#!/usr/local/bin/perl5")
                                                           << CSyntaxChoice::Perl;
        QTest::addRow("shell script") << "/s/tool" << QByteArray("#!/bin/sh") << CSyntaxChoice::Plain;
        QTest::addRow("perl named, no #!") << "/s/notes" << QByteArray("# perl notes") << CSyntaxChoice::Plain;
        QTest::addRow("new script") << QString() << QByteArray("#!/usr/bin/perl") << CSyntaxChoice::Perl;
        QTest::addRow("new script, no interpreter") << QString() << QByteArray("#!") << CSyntaxChoice::Plain;
    }

    void choice()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, first);
        QFETCH(CSyntaxChoice::Language, expected);
        QCOMPARE(CSyntaxChoice::forFile(path, CSyntaxChoice::firstLine(first + "\r\nnext line")), expected);
    }

    // The colouring follows the file and its name after a save; the bytes
    // stay as they were, whatever the lexer makes of them.
    void openedAndRenamedScripts()
    {
        CMainFrame &frame = openFrame(m_env, m_frame);
        const char raw[] = "#!/usr/bin/perl\rprint \"\xff\xfe\";\n<html>\r\n\0 $x = 1; # end";
        const QByteArray bytes(raw, sizeof raw - 1);
        const QString path = m_env->path("script");
        CTestEnvironment::writeFile(path, bytes);
        QVERIFY(frame.OpenDocumentFile(path));
        QCOMPARE(frame.view()->language(), CSyntaxChoice::Perl);
        QVERIFY(frame.document()->OnSaveDocument(m_env->path("page.html")).isEmpty());
        QCOMPARE(frame.view()->language(), CSyntaxChoice::Html);
        QVERIFY(frame.view()->lexer());
        QCOMPARE(frame.view()->bytes(), bytes);
        QCOMPARE(CTestEnvironment::readFile(m_env->path("page.html")), bytes);
    }

    // View > Font and VIEW_FONT reach every style of a coloured script.
    void editorFontAppliesToEveryStyle()
    {
        CMainFrame &frame = openFrame(m_env, m_frame);
        const QString path = m_env->path("f.pl");
        CTestEnvironment::writeFile(path, "my $x = 'a'; # c\n");
        QVERIFY(frame.OpenDocumentFile(path));
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPointSize(17);
        m_env->app().setEditorFont(font);
        COstrakView *view = frame.view();
        QsciLexer *lexer = view->lexer();
        QVERIFY(lexer);
        QSet<QRgb> colours;
        for (int style = 0; style < 128; ++style) {
            if (lexer->description(style).isEmpty())
                continue;
            QCOMPARE(view->SendScintilla(Sci::SCI_STYLEGETSIZE, style), 17L);
            QByteArray face(64, '\0');
            view->SendScintilla(Sci::SCI_STYLEGETFONT, style, face.data());
            QCOMPARE(QByteArray(face.constData()), QByteArray("DejaVu Serif"));
            colours << QRgb(view->SendScintilla(Sci::SCI_STYLEGETFORE, style));
        }
        QVERIFY2(colours.size() > 4, "the styles are not coloured");
    }

    void marginFollowsLineCount()
    {
        CMainFrame &frame = openFrame(m_env, m_frame);
        const QString path = m_env->path("n.pl");
        CTestEnvironment::writeFile(path, QByteArray("1;\n").repeated(9));
        QVERIFY(frame.OpenDocumentFile(path));
        const long nine = marginWidth(frame.view());
        CTestEnvironment::writeFile(path, QByteArray("1;\n").repeated(12000));
        QVERIFY(frame.OpenDocumentFile(path));
        QVERIFY2(marginWidth(frame.view()) > nine && nine > 0, qPrintable(QString::number(nine)));
    }

    // Both items start on, toggle their effect and keep the user's choice
    // for the next start.
    void viewItemsSurviveRestart()
    {
        openFrame(m_env, m_frame);
        const QString script = m_env->path("t.pl");
        CTestEnvironment::writeFile(script, "print 1;\n");
        const auto state = [&] {
            QVERIFY(m_frame->OpenDocumentFile(script));
            m_state = {m_frame->action(ID_VIEW_SYNTAX_COLOURING)->isChecked(),
                       m_frame->view()->language() == CSyntaxChoice::Perl,
                       m_frame->action(ID_VIEW_LINE_NUMBERS)->isChecked(), marginWidth(m_frame->view()) > 0};
        };
        const auto restart = [&] {
            m_frame.reset();
            m_frame = std::make_unique<CMainFrame>(m_env->app());
        };
        state();
        QCOMPARE(m_state, QList<bool>({true, true, true, true}));
        m_frame->action(ID_VIEW_SYNTAX_COLOURING)->trigger();
        QCOMPARE(m_frame->view()->language(), CSyntaxChoice::Plain);
        m_frame->action(ID_VIEW_LINE_NUMBERS)->trigger();
        QCOMPARE(marginWidth(m_frame->view()), 0L);
        restart();
        state();
        QCOMPARE(m_state, QList<bool>({false, false, false, false}));
        m_frame->action(ID_VIEW_LINE_NUMBERS)->trigger();
        restart();
        state();
        QCOMPARE(m_state, QList<bool>({false, false, true, true}));
    }

private:
    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
    QList<bool> m_state;
};

QTEST_MAIN(tst_Colouring)
#include "tst_colouring.moc"
