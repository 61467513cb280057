#include "CTestEnvironment.h"

#include "editor/CFunctionsFile.h"
#include "editor/CVariableScanner.h"

#include <QtTest>

using namespace Qt::StringLiterals;

using Rows = QList<QPair<QByteArray, int>>;   // name bytes, line

// What the reference lists show: the variable scan of a script and the
// functions list file.
class TestReferenceLists : public QObject
{
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Rows>("expected");
        const QByteArray name23(23, 'a'), name24(24, 'a'), name30(30, 'a');
        QTest::newRow("blank kept, = ends") << "print 1;\r\n$count = 1;\r\n"_ba << 0 << Rows{{"$count ", 2}};
        QTest::newRow("hash sign ends at once") << "print $#list;"_ba << 0 << Rows{{"$", 1}};
        QTest::newRow("sigil inside a name is kept") << "print $$;"_ba << 0 << Rows{{"$$", 1}};
        QTest::newRow("array among other sigils") << "$a@b%c;"_ba << 1 << Rows{{"@b", 1}};
        QTest::newRow("non-ASCII and NUL end a name") << QByteArray("$caf\xc3\xa9 $a\0b", 11) << 0
                                                      << Rows{{"$caf", 1}, {"$a", 1}};
        QTest::newRow("name runs over a line break") << "my $x\n    = 5;\n"_ba << 0 << Rows{{"$x\n    ", 2}};
        QTest::newRow("24 characters listed") << QByteArray("$" + name23 + ";") << 0 << Rows{{"$" + name23, 1}};
        QTest::newRow("25 characters not listed") << QByteArray("$" + name24 + ";") << 0 << Rows{};
        QTest::newRow("25 characters at the end not listed") << QByteArray("$" + name24) << 0 << Rows{};
        QTest::newRow("25+ run swallows a sigil until its end")
            << QByteArray("$" + name30 + " $y; $z;") << 0 << Rows{{"$z", 1}};
        QTest::newRow("25+ run over lines then a valid name")
            << QByteArray("$" + name30 + "\n\n = 1; $y;\n") << 0 << Rows{{"$y", 3}};
        QTest::newRow("lone CR is no line end") << "$a;\r$b;\r\n$c"_ba << 0 << Rows{{"$a", 1}, {"$b", 1}, {"$c", 2}};
    }

    void scan()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(Rows, expected);
        Rows rows;
        for (const CVariableRow &r : CVariableScanner::scan(text, CVariableScanner::sigilOfKind(kind)))
            rows.append({text.mid(r.offset, r.length), r.line});
        QCOMPARE(rows, expected);
    }

    void longRunDoesNotStopTheScan()
    {
        QByteArray text = "$" + QByteArray(1 << 20, 'x') + ";\n";
        for (int i = 0; i < 1000; ++i)
            text += "$v" + QByteArray::number(i) + ";\n";
        const std::vector<CVariableRow> rows = CVariableScanner::scan(text, '$');
        QCOMPARE(rows.size(), size_t(1000));
        QCOMPARE(text.mid(rows.front().offset, rows.front().length), "$v0"_ba);
        QCOMPARE(rows.back().line, 1001);
    }

    void readFile()
    {
        CTestEnvironment env;
        const QString path = env.path(QStringLiteral("OSTRAK.FNL"));
        QVERIFY(!CFunctionsFile::read(path).has_value());   // missing
        QVERIFY(!CFunctionsFile::read(env.programDir()).has_value());   // a folder is no file
        // Lines end in CR LF or LF, the last in nothing; a line needs a name and a comma; a
        // line of one comma is all template; blanks and further commas are kept.
        CTestEnvironment::writeFile(path, "abs,Absolute,abs($x);\r\n,skipped,x;\nno comma\n\nprint,print \"a\";\n"
                                          " lc , Lower \xc3\xa9 ,lc($s, 1)");
        QStringList rows;
        for (const CPerlFunction &f : CFunctionsFile::read(path).value_or(QList<CPerlFunction>{}))
            rows << f.name + '|' + f.description + '|' + f.codeTemplate;
        QCOMPARE(rows, (QStringList{"abs|Absolute|abs($x);", "print||print,print \"a\";", u" lc | Lower \u00e9 |lc($s, 1)"_s}));
    }

    // The shipped file lists each of Perl's built-in functions, by Perl's own index, once.
    void shippedFileLoads()
    {
        const auto rows = CFunctionsFile::read(QStringLiteral(OSTRAK_SOURCE_DIR "/data/OSTRAK.FNL"));
        QVERIFY(rows.has_value());
        QStringList names;
        for (const CPerlFunction &f : *rows) {
            QVERIFY2(!f.description.isEmpty() && !f.codeTemplate.isEmpty(), qPrintable(f.name));
            QVERIFY2(!f.codeTemplate.contains(QLatin1Char('\r')), qPrintable(f.name));
            names.append(f.name);
        }
        QProcess perl;
        perl.start(QStringLiteral("perl"), {QStringLiteral("-MPod::Functions"), QStringLiteral("-e"),
                                            QStringLiteral("print \"$_\\n\" for sort keys %Type")});
        QVERIFY(perl.waitForFinished(30000));
        QStringList perlNames = QString::fromUtf8(perl.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        perlNames.sort();
        names.sort();
        QCOMPARE(names, perlNames);
        QVERIFY(QFile::exists(QStringLiteral(OSTRAK_BIN_DIR "/OSTRAK.FNL")));   // installed beside the program
    }
};

QTEST_GUILESS_MAIN(TestReferenceLists)
#include "tst_referencelists.moc"
