#include "CTestEnvironment.h"

#include "editor/CFunctionsFile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// The comma rules of the functions list file and the file shipped with the program.
class TestFunctionsFile : public QObject
{
    Q_OBJECT

private slots:
    void parseLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");   // name, description, template; empty: no row
        QTest::newRow("three fields") << "chomp,Strip a line end,chomp(my $line = <STDIN>);"
                                      << QStringList{"chomp", "Strip a line end", "chomp(my $line = <STDIN>);"};
        QTest::newRow("commas in the template")
            << "splice,Remove part of a list,splice(@list, 1, 2, 'a', 'b');"
            << QStringList{"splice", "Remove part of a list", "splice(@list, 1, 2, 'a', 'b');"};
        QTest::newRow("empty description") << "time,,my $now = time;" << QStringList{"time", "", "my $now = time;"};
        QTest::newRow("empty template") << "wait,Wait for a child," << QStringList{"wait", "Wait for a child", ""};
        QTest::newRow("one comma: whole line is the template")
            << "print,print \"hello\\n\";" << QStringList{"print", "", "print,print \"hello\\n\";"};
        QTest::newRow("blanks kept as they are")
            << " abs , Absolute value , abs($x) " << QStringList{" abs ", " Absolute value ", " abs($x) "};
        QTest::newRow("leading comma") << ",no name,print;" << QStringList{};
        QTest::newRow("no comma") << "print \"hello\";" << QStringList{};
        QTest::newRow("empty line") << "" << QStringList{};
    }

    void parseLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        const std::optional<CPerlFunction> row = CFunctionsFile::parseLine(line);
        QCOMPARE(row ? QStringList({row->name, row->description, row->codeTemplate}) : QStringList(), expected);
    }

    void readFile()
    {
        // Lines split at CR LF or LF; bad lines skipped; the last line needs no line end.
        CTestEnvironment env;
        const QString path = env.path(QStringLiteral("OSTRAK.FNL"));
        QVERIFY(!CFunctionsFile::read(path).has_value());   // missing
        QVERIFY(!CFunctionsFile::read(env.programDir()).has_value());   // a folder is no file
        CTestEnvironment::writeFile(path, QByteArray());
        const auto empty = CFunctionsFile::read(path);
        QVERIFY(empty && empty->isEmpty());
        CTestEnvironment::writeFile(path, "abs,Absolute,abs($x);\r\n"
                                          ",skipped,x;\n"
                                          "\n"
                                          "no comma here\r\n"
                                          "lc,Lower case \xc3\xa9,lc($s);\n"
                                          "uc,Upper case,uc($s);");
        const QList<CPerlFunction> rows = CFunctionsFile::read(path).value_or(QList<CPerlFunction>{});
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].codeTemplate, QStringLiteral("abs($x);"));
        QCOMPARE(rows[1].description, QStringLiteral("Lower case \u00e9"));
        QCOMPARE(rows[2].name, QStringLiteral("uc"));
        QCOMPARE(rows[2].codeTemplate, QStringLiteral("uc($s);"));
    }

    void shippedFileLoads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("source") << QStringLiteral(OSTRAK_SOURCE_DIR "/data/OSTRAK.FNL");
        QTest::newRow("beside the executable") << QStringLiteral(OSTRAK_BIN_DIR "/OSTRAK.FNL");
    }

    void shippedFileLoads()
    {
        QFETCH(QString, path);
        if (!QFile::exists(path))
            QSKIP("the program is not built in this tree");
        const auto rows = CFunctionsFile::read(path);
        QVERIFY(rows.has_value());
        QCOMPARE(rows->size(), 224);
        QStringList names;
        for (const CPerlFunction &f : *rows) {
            QVERIFY2(!f.description.isEmpty() && !f.codeTemplate.isEmpty(), qPrintable(f.name));
            QVERIFY2(!f.codeTemplate.contains(QLatin1Char('\r')), qPrintable(f.name));
            names.append(f.name);
        }
        // Each of Perl's built-in functions, by Perl's own index, once.
        if (QStandardPaths::findExecutable(QStringLiteral("perl")).isEmpty())
            QSKIP("perl is not installed");
        QProcess perl;
        perl.start(QStringLiteral("perl"), {QStringLiteral("-MPod::Functions"), QStringLiteral("-e"),
                                            QStringLiteral("print \"$_\\n\" for sort keys %Type")});
        QVERIFY(perl.waitForFinished(30000));
        QCOMPARE(perl.exitCode(), 0);
        QStringList perlNames = QString::fromUtf8(perl.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        perlNames.sort();
        names.sort();
        QCOMPARE(names, perlNames);
    }
};

QTEST_GUILESS_MAIN(TestFunctionsFile)
#include "tst_functionsfile.moc"
