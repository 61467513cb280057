#include "debug/CDebugReply.h"
#include "debug/CDebugVariable.h"

#include <QJsonDocument>
#include <QtTest>

class TestDebugReply : public QObject
{
    Q_OBJECT

private slots:
    void complete_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("complete");
        QTest::newRow("prompt") << QByteArray("main::(t.pl:2):\tmy $x;\n  DB<1> ") << true;
        QTest::newRow("nested prompt") << QByteArray("x\n  DB<<12>> ") << true;
        QTest::newRow("prompt without its blank") << QByteArray("x\n  DB<1>") << false;
        QTest::newRow("prompt text inside output") << QByteArray("print 'DB<1> ';\nmore") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void complete()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, complete);
        QCOMPARE(CDebugReply::isComplete(text), complete);
    }

    void location_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");   // "function file:line"
        QTest::newRow("top level") << "main::(t.pl:2):\tmy $x = 1;\n" << "main t.pl:2";
        QTest::newRow("sub") << "main::foo(t.pl:7):\t  my ($y) = @_;\n" << "main::foo t.pl:7";
        QTest::newRow("package sub, path with blank and colon")
            << "A::B::run(/tmp/my dir/x:y.pm:12):\treturn;\n" << "A::B::run /tmp/my dir/x:y.pm:12";
        QTest::newRow("first of two lines (step out shows both)")
            << "main::(t.pl:5):\tprint 1;\nmain::(t.pl:6):\tsub foo {\n" << "main t.pl:5";
        QTest::newRow("after other output") << "scalar context return\nmain::(t.pl:9):\tx();\n" << "main t.pl:9";
        QTest::newRow("none") << "Line 99 not breakable.\n" << " :0";
    }
    void location()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const CDebugLocation where = CDebugReply::location(text);
        QCOMPARE(QStringLiteral("%1 %2:%3").arg(where.function, where.file).arg(where.line), expected);
    }

    void stack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("frames");   // "function file:line call"
        QTest::newRow("top level only") << "@ = DB::DB called from file 't.pl' line 3\n"
                                        << QStringList{"main t.pl:3 "};
        QTest::newRow("one sub deep")
            << "@ = DB::DB called from file 't.pl' line 7\n. = main::foo(1) called from file 't.pl' line 4\n"
            << QStringList{"main::foo t.pl:7 main::foo(1)", "main t.pl:4 "};
        QTest::newRow("two deep, another file")
            << "$ = main::inner('a') called from file 'Lib.pm' line 5\n@ = main::outer() called from file 't.pl' line 9\n"
            << QStringList{"main::inner Lib.pm:2 main::inner('a')", "main::outer Lib.pm:5 main::outer()", "main t.pl:9 "};
    }

    void stack()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, frames);
        // The current location is what the stop said; the others come from T.
        const QStringList first = frames.first().split(QLatin1Char(' '));
        const QString fileLine = first[1];
        const CDebugLocation top{first[0], fileLine.section(QLatin1Char(':'), 0, 0), fileLine.section(QLatin1Char(':'), 1).toInt()};
        QStringList got;
        for (const CDebugFrame &frame : CDebugReply::stack(text, top))
            got << QStringLiteral("%1 %2:%3 %4").arg(frame.location.function, frame.location.file).arg(frame.location.line).arg(frame.call);
        QCOMPARE(got, frames);
    }

    void jsonBlock_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("rest");
        QTest::newRow("block between other text")
            << "before\n<<OSTRAK-JSON\n{\"ok\":1}\nOSTRAK-JSON>>\nafter" << true << "before\nafter";
        QTest::newRow("unterminated") << "<<OSTRAK-JSON\n{\"ok\":1}" << false << "<<OSTRAK-JSON\n{\"ok\":1}";
        QTest::newRow("not json") << "<<OSTRAK-JSON\nDied at x\nOSTRAK-JSON>>\n" << false << "";
    }

    void jsonBlock()
    {
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(QString, rest);
        bool ok = !found;
        const QJsonObject object = CDebugReply::jsonBlock(text, &ok);
        QCOMPARE(ok, found);
        QCOMPARE(object.value(QLatin1String("ok")).toInt(), found ? 1 : 0);
        QCOMPARE(CDebugReply::withoutJsonBlock(text), rest);
    }

    void notListed()
    {
        // A hash of 250 keys sends 100: the view must say 150 are not listed,
        // and a plain value has nothing to list.
        const QByteArray json = R"j([{"n":"%h","v":"(250)","k":250,"c":[{"n":"{a}","v":"1"}]},{"n":"$s","v":"'x'"}])j";
        const QList<CDebugVariable> variables = CDebugVariable::fromJson(QJsonDocument::fromJson(json).array());
        QCOMPARE(variables.size(), 2);
        QCOMPARE(variables[0].notListed(), 249);
        QVERIFY(variables[0].expanded);
        QCOMPARE(variables[1].notListed(), 0);
        QCOMPARE(variables[1].count, -1);
    }
};

QTEST_GUILESS_MAIN(TestDebugReply)
#include "tst_debugreply.moc"
