#include "editor/CVariableListModel.h"
#include "editor/CVariableScanner.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Rows = QList<QPair<QByteArray, int>>;   // name bytes, line

static Rows scanned(const QByteArray &text, char sigil)
{
    Rows rows;
    for (const CVariableRow &r : CVariableScanner::scan(text, sigil))
        rows.append({text.mid(r.offset, r.length), r.line});
    return rows;
}

// The character scan of the variable lists and the list model over it.
class TestVariableScan : public QObject
{
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Rows>("expected");

        const QByteArray name23(23, 'a');
        const QByteArray name24(24, 'a');
        const QByteArray name30(30, 'a');

        QTest::newRow("empty script") << QByteArray() << 0 << Rows{};
        QTest::newRow("blank kept, = ends") << "print 1;\r\n$count = 1;\r\n"_ba << 0 << Rows{{"$count ", 2}};
        QTest::newRow("every occurrence") << "$x;\r\nprint;\r\n$x;\r\n"_ba << 0 << Rows{{"$x", 1}, {"$x", 3}};
        QTest::newRow("hash sign ends at once") << "print $#list;"_ba << 0 << Rows{{"$", 1}};
        QTest::newRow("sigil inside a name is kept") << "print $$;"_ba << 0 << Rows{{"$$", 1}};
        QTest::newRow("end of text ends a name") << "print $x"_ba << 0 << Rows{{"$x", 1}};
        QTest::newRow("array") << "print @lines;"_ba << 1 << Rows{{"@lines", 1}};
        QTest::newRow("hash") << "%h = ();"_ba << 2 << Rows{{"%h ", 1}};
        QTest::newRow("other sigils end a name") << "$a@b%c;"_ba << 0 << Rows{{"$a", 1}};
        QTest::newRow("array of mixed text") << "$a@b%c;"_ba << 1 << Rows{{"@b", 1}};
        QTest::newRow("non-ASCII byte ends a name") << "$caf\xc3\xa9 = 1;"_ba << 0 << Rows{{"$caf", 1}};
        QTest::newRow("NUL byte ends a name") << QByteArray("$a\0b;", 5) << 0 << Rows{{"$a", 1}};
        QTest::newRow("name runs over a line break") << "my $x\n    = 5;\n"_ba << 0 << Rows{{"$x\n    ", 2}};
        QTest::newRow("trailing line end belongs to the last name") << "print $x\n"_ba << 0 << Rows{{"$x\n", 2}};

        QTest::newRow("24 characters listed") << QByteArray("$" + name23 + ";") << 0 << Rows{{"$" + name23, 1}};
        QTest::newRow("25 characters not listed") << QByteArray("$" + name24 + ";") << 0 << Rows{};
        QTest::newRow("24 characters at the end listed")
            << QByteArray("$" + name23) << 0 << Rows{{"$" + name23, 1}};
        QTest::newRow("25 characters at the end not listed") << QByteArray("$" + name24) << 0 << Rows{};
        QTest::newRow("a trailing blank counts") << QByteArray("$" + QByteArray(22, 'a') + " =") << 0
                                                 << Rows{{"$" + QByteArray(22, 'a') + " ", 1}};
        QTest::newRow("25+ run then a valid name") << QByteArray("$" + name30 + "; $y;") << 0 << Rows{{"$y", 1}};
        QTest::newRow("25+ run swallows a sigil until its end")
            << QByteArray("$" + name30 + " $y; $z;") << 0 << Rows{{"$z", 1}};
        QTest::newRow("25+ run over lines then a valid name")
            << QByteArray("$" + name30 + "\n\n = 1; $y;\n") << 0 << Rows{{"$y", 3}};

        QTest::newRow("CR LF lines") << "$a;\r\n$b;\r\n\r\n$c;\r\n"_ba << 0 << Rows{{"$a", 1}, {"$b", 2}, {"$c", 4}};
        QTest::newRow("LF lines") << "$a;\n$b;\n\n$c;\n"_ba << 0 << Rows{{"$a", 1}, {"$b", 2}, {"$c", 4}};
        QTest::newRow("lone CR is no line end") << "$a;\r$b;\r"_ba << 0 << Rows{{"$a", 1}, {"$b", 1}};
    }

    void scan()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(Rows, expected);
        QCOMPARE(scanned(text, CVariableScanner::sigilOfKind(kind)), expected);
    }

    void longRunDoesNotStopTheScan()
    {
        // A run far longer than any name buffer; the names after it still count.
        QByteArray text = "$" + QByteArray(1 << 20, 'x') + ";\n";
        for (int i = 0; i < 1000; ++i)
            text += "$v" + QByteArray::number(i) + ";\n";
        const std::vector<CVariableRow> rows = CVariableScanner::scan(text, '$');
        QCOMPARE(rows.size(), size_t(1000));
        QCOMPARE(text.mid(rows.front().offset, rows.front().length), "$v0"_ba);
        QCOMPARE(rows.front().line, 2);
        QCOMPARE(rows.back().line, 1001);
    }

    void modelShowsNameLineAndValue()
    {
        CVariableListModel model(0, "$x\r\n\t= 1;\r\n"_ba);
        QCOMPARE(model.rowCount(), 1);
        // Line breaks and tabs show as blanks; the exact bytes stay available.
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("$x   "));
        QCOMPARE(model.index(0, 0).data(CVariableListModel::NameBytesRole).toByteArray(), "$x\r\n\t"_ba);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("    2"));
        QCOMPARE(CVariableListModel::formatLine(99999), QStringLiteral("99999"));
        QCOMPARE(CVariableListModel::formatLine(123456), QStringLiteral("123456"));   // widens
    }
};

QTEST_GUILESS_MAIN(TestVariableScan)
#include "tst_variablescan.moc"
