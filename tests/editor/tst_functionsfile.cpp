#include "CTestEnvironment.h"

#include "editor/CFunctionsFile.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(CPerlFunction)

// The comma rules of the functions list file and the file shipped with the program.
class TestFunctionsFile : public QObject
{
    Q_OBJECT

private slots:
    void parseLine_data();
    void parseLine();
    void parseSplitsLines();
    void emptyFileHasNoRows();
    void missingFileIsReported();
    void shippedFileLoads_data();
    void shippedFileLoads();
    void shippedFileListsEveryPerlFunction();
};

void TestFunctionsFile::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("hasRow");
    QTest::addColumn<CPerlFunction>("expected");

    QTest::newRow("three fields")
        << "chomp,Strip a line end,chomp(my $line = <STDIN>);" << true
        << CPerlFunction{"chomp", "Strip a line end", "chomp(my $line = <STDIN>);"};
    QTest::newRow("commas in the template")
        << "splice,Remove part of a list,splice(@list, 1, 2, 'a', 'b');" << true
        << CPerlFunction{"splice", "Remove part of a list", "splice(@list, 1, 2, 'a', 'b');"};
    QTest::newRow("empty description") << "time,,my $now = time;" << true
                                       << CPerlFunction{"time", "", "my $now = time;"};
    QTest::newRow("empty template") << "wait,Wait for a child," << true
                                    << CPerlFunction{"wait", "Wait for a child", ""};
    QTest::newRow("one comma: whole line is the template")
        << "print,print \"hello\\n\";" << true
        << CPerlFunction{"print", "", "print,print \"hello\\n\";"};
    QTest::newRow("one-character name") << "y,Transliterate,tr/a-z/A-Z/;" << true
                                        << CPerlFunction{"y", "Transliterate", "tr/a-z/A-Z/;"};
    QTest::newRow("blanks kept as they are") << " abs , Absolute value , abs($x) " << true
                                             << CPerlFunction{" abs ", " Absolute value ", " abs($x) "};
    QTest::newRow("leading comma") << ",no name,print;" << false << CPerlFunction{};
    QTest::newRow("only a comma") << "," << false << CPerlFunction{};
    QTest::newRow("no comma") << "print \"hello\";" << false << CPerlFunction{};
    QTest::newRow("empty line") << "" << false << CPerlFunction{};
}

void TestFunctionsFile::parseLine()
{
    QFETCH(QString, line);
    QFETCH(bool, hasRow);
    QFETCH(CPerlFunction, expected);
    const std::optional<CPerlFunction> row = CFunctionsFile::parseLine(line);
    QCOMPARE(row.has_value(), hasRow);
    if (hasRow) {
        QCOMPARE(row->name, expected.name);
        QCOMPARE(row->description, expected.description);
        QCOMPARE(row->codeTemplate, expected.codeTemplate);
    }
}

void TestFunctionsFile::parseSplitsLines()
{
    const QByteArray contents = "abs,Absolute,abs($x);\r\n"
                                ",skipped,x;\n"
                                "\n"
                                "no comma here\r\n"
                                "lc,Lower case \xc3\xa9,lc($s);\n"
                                "uc,Upper case,uc($s);";   // no line end after the last line
    const QList<CPerlFunction> rows = CFunctionsFile::parse(contents);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].codeTemplate, QStringLiteral("abs($x);"));   // CR removed with the line end
    QCOMPARE(rows[1].description, QStringLiteral("Lower case \u00e9"));
    QCOMPARE(rows[2].name, QStringLiteral("uc"));
    QCOMPARE(rows[2].codeTemplate, QStringLiteral("uc($s);"));
}

void TestFunctionsFile::emptyFileHasNoRows()
{
    CTestEnvironment env;
    const QString path = env.path(QStringLiteral("OSTRAK.FNL"));
    CTestEnvironment::writeFile(path, QByteArray());
    const auto rows = CFunctionsFile::read(path);
    QVERIFY(rows.has_value());
    QVERIFY(rows->isEmpty());
}

void TestFunctionsFile::missingFileIsReported()
{
    CTestEnvironment env;
    QVERIFY(!CFunctionsFile::read(env.path(QStringLiteral("OSTRAK.FNL"))).has_value());
    QVERIFY(!CFunctionsFile::read(env.programDir()).has_value());   // a folder is no file
}

void TestFunctionsFile::shippedFileLoads_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("source") << QStringLiteral(OSTRAK_SOURCE_DIR "/data/OSTRAK.FNL");
    QTest::newRow("beside the executable") << QStringLiteral(OSTRAK_BIN_DIR "/OSTRAK.FNL");
}

void TestFunctionsFile::shippedFileLoads()
{
    QFETCH(QString, path);
    if (!QFile::exists(path))
        QSKIP("the program is not built in this tree");
    const auto rows = CFunctionsFile::read(path);
    QVERIFY(rows.has_value());
    QCOMPARE(rows->size(), 224);
    QSet<QString> names;
    for (const CPerlFunction &f : *rows) {
        QVERIFY2(!f.description.isEmpty(), qPrintable(f.name));
        QVERIFY2(!f.codeTemplate.isEmpty(), qPrintable(f.name));
        QVERIFY2(!f.codeTemplate.contains(QLatin1Char('\r')), qPrintable(f.name));
        names.insert(f.name);
    }
    QCOMPARE(names.size(), rows->size());
    QVERIFY(names.contains(QStringLiteral("print")));
    QVERIFY(names.contains(QStringLiteral("-X")));
    QVERIFY(names.contains(QStringLiteral("__SUB__")));
}

void TestFunctionsFile::shippedFileListsEveryPerlFunction()
{
    // Perl's own index of its built-in functions.
    if (QStandardPaths::findExecutable(QStringLiteral("perl")).isEmpty())
        QSKIP("perl is not installed");
    QProcess perl;
    perl.start(QStringLiteral("perl"), {QStringLiteral("-MPod::Functions"), QStringLiteral("-e"),
                                        QStringLiteral("print \"$_\\n\" for sort keys %Type")});
    QVERIFY(perl.waitForFinished(30000));
    QCOMPARE(perl.exitCode(), 0);
    QStringList perlNames = QString::fromUtf8(perl.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto shipped = CFunctionsFile::read(QStringLiteral(OSTRAK_SOURCE_DIR "/data/OSTRAK.FNL"));
    QVERIFY(shipped.has_value());
    QStringList ours;
    for (const CPerlFunction &f : *shipped)
        ours.append(f.name);
    perlNames.sort();
    ours.sort();
    QCOMPARE(ours, perlNames);
}

QTEST_GUILESS_MAIN(TestFunctionsFile)
#include "tst_functionsfile.moc"
