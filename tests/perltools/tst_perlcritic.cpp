#include "perltools/CPerlCritic.h"

#include <QTemporaryDir>
#include <QTest>

class TestPerlCritic : public QObject
{
    Q_OBJECT

private:
    static QStringList policies(const QList<CCriticFinding> &findings)
    {
        QStringList names;
        for (const CCriticFinding &f : findings)
            names << QStringLiteral("%1:%2").arg(f.line).arg(f.policy.section(QLatin1String("::"), -1));
        return names;
    }

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("lastMessage");
        QTest::newRow("two findings") << QByteArray("1\t5\tA::B\tfirst\n3\t4\tC::D\tsecond\n") << 2 << "second";
        QTest::newRow("tab inside the message") << QByteArray("2\t3\tA::B\tsay\tthis\n") << 1 << "say\tthis";
        QTest::newRow("source lines are no findings") << QByteArray("c.pl source OK\n\n") << 0 << "";
        QTest::newRow("line not a number") << QByteArray("x\t5\tA::B\tm\n") << 0 << "";
        QTest::newRow("no last line end") << QByteArray("7\t1\tA::B\tend") << 1 << "end";
    }

    void parse()
    {
        QFETCH(QByteArray, output);
        QFETCH(int, count);
        QFETCH(QString, lastMessage);
        const QList<CCriticFinding> found = CPerlCritic::parse(output);
        QCOMPARE(found.size(), count);
        if (count > 0)
            QCOMPARE(found.last().message, lastMessage);
    }

    void critique_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("severity");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no strict at severity 5") << QByteArray("#!/usr/bin/perl\nprint 'a';\n") << "a.pl" << 5
                                                 << "2:RequireUseStrict";
        QTest::newRow("clean at severity 5") << QByteArray("#!/usr/bin/perl\nuse strict;\nprint 'a';\n") << "a.pl" << 5 << "";
        QTest::newRow("module name counts: a .pm must end in 1")
            << QByteArray("package A;\nuse strict;\nuse warnings;\nsub f { return 1 }\n") << "A.pm" << 4
            << "4:RequireEndWithOne";
    }

    void critique()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(int, severity);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const CPerlCritic::Result result = CPerlCritic().critique(text, dir.filePath(name), severity);
        QVERIFY2(result.ok, qPrintable(result.errors));
        QCOMPARE(policies(result.findings).join(u' '), expected);
    }

    void missingPerlcriticNamesThePackage()
    {
        const CPerlCritic::Result result = CPerlCritic(QStringLiteral("/nonexistent/perlcritic")).critique("1;\n", QString(), 4);
        QVERIFY(result.toolMissing);
        QVERIFY(result.errors.contains(QLatin1String("libperl-critic-perl")));
    }
};

QTEST_GUILESS_MAIN(TestPerlCritic)
#include "tst_perlcritic.moc"
