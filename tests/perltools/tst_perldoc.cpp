#include "perltools/CPerldocLookup.h"
#include "perltools/CPerldocQuery.h"

#include <QTest>

class TestPerldoc : public QObject
{
    Q_OBJECT

private slots:
    void wordAt_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("word");
        QTest::newRow("function, caret after it") << QByteArray("push(@a)") << 4 << "push";
        QTest::newRow("array variable") << QByteArray("push @list, $x;") << 7 << "@list";
        QTest::newRow("$_ caret on the underscore") << QByteArray("print $_;") << 7 << "$_";
        QTest::newRow("$_ caret on the sigil") << QByteArray("print $_;") << 6 << "$_";
        QTest::newRow("$/ punctuation variable") << QByteArray("local $/ = undef;") << 6 << "$/";
        QTest::newRow("module name, caret on the colons") << QByteArray("use List::Util;") << 8 << "List::Util";
        QTest::newRow("trailing colons dropped") << QByteArray("Foo::Bar::->new") << 2 << "Foo::Bar";
        QTest::newRow("binding operator") << QByteArray("$x =~ s/a/b/;") << 3 << "=~";
        QTest::newRow("blank line") << QByteArray("   ") << 1 << "";
        QTest::newRow("past the end") << QByteArray("exit") << 99 << "exit";
        QTest::newRow("empty") << QByteArray() << 0 << "";
    }

    void wordAt()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, column);
        QFETCH(QString, word);
        QCOMPARE(CPerldocQuery::wordAt(line, column), word);
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QByteArray>("inPage");   // empty: no page
        QTest::addColumn<QString>("message");
        QTest::newRow("push") << "push" << QByteArray("push ARRAY") << "";
        QTest::newRow("$_") << "$_" << QByteArray("default input") << "";
        QTest::newRow("List::Util") << "List::Util" << QByteArray("reduce") << "";
        QTest::newRow("pragma by function fallback") << "strict" << QByteArray("strict refs") << "";
        QTest::newRow("keyword") << "foreach" << QByteArray("Foreach Loops") << "";
        QTest::newRow("unknown word") << "frobnicatezz" << QByteArray() << "No documentation found for frobnicatezz";
    }

    void lookup()
    {
        QFETCH(QString, word);
        QFETCH(QByteArray, inPage);
        QFETCH(QString, message);
        const CPerldocLookup::Answer answer = CPerldocLookup().lookup(word);
        QVERIFY(!answer.toolMissing);
        QCOMPARE(answer.message, message);
        if (inPage.isEmpty()) {
            QVERIFY(answer.html.isEmpty());
        } else {
            QVERIFY(answer.html.contains("<html"));
            QVERIFY2(answer.html.contains(inPage), inPage.constData());
        }
    }

    void missingPerldocNamesThePackage()
    {
        const CPerldocLookup::Answer answer = CPerldocLookup(QStringLiteral("/nonexistent/perldoc")).lookup("push");
        QVERIFY(answer.toolMissing);
        QVERIFY(answer.message.contains(QLatin1String("perl-doc")));
    }
};

QTEST_GUILESS_MAIN(TestPerldoc)
#include "tst_perldoc.moc"
