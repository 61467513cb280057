#include "perltools/CPerlTidy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPerlTidy : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void write(const QString &name, const QByteArray &bytes)
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QFileInfo(m_dir.filePath(name)).path()));
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void tidy_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("LF script") << QByteArray("my $x=1;if($x){print\"a\"}\n") << QByteArray("\n") << true
                                   << QByteArray("my $x = 1;\nif ($x) { print \"a\" }\n");
        QTest::newRow("CR LF document keeps CR LF")
            << QByteArray("my $x=1;\r\nif($x){print\"a\"}\r\n") << QByteArray("\r\n") << true
            << QByteArray("my $x = 1;\r\nif ($x) { print \"a\" }\r\n");
        QTest::newRow("selection without a last line end")
            << QByteArray("my $y=2;") << QByteArray("\n") << true << QByteArray("my $y = 2;");
        QTest::newRow("unbalanced brace is an error")
            << QByteArray("if($x{print\"a\"}\n") << QByteArray("\n") << false << QByteArray();
    }

    void tidy()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, lineEnd);
        QFETCH(bool, ok);
        QFETCH(QByteArray, expected);
        const CPerlTidy::Result result = CPerlTidy().tidy(text, m_dir.filePath(QStringLiteral("plain/a.pl")), lineEnd);
        QCOMPARE(result.ok, ok);
        QVERIFY(!result.toolMissing);
        if (ok)
            QCOMPARE(result.text, expected);
        else
            QVERIFY(!result.errors.isEmpty());
    }

    void profileFromFolderUpwards()
    {
        write(QStringLiteral("project/.perltidyrc"), "-i=2\n");
        write(QStringLiteral("project/bin/deep/run.pl"), "");
        const QString script = m_dir.filePath(QStringLiteral("project/bin/deep/run.pl"));
        QCOMPARE(CPerlTidy::profileFor(script), m_dir.filePath(QStringLiteral("project/.perltidyrc")));
        const CPerlTidy::Result nested = CPerlTidy().tidy("if($x){\nprint 1;\n}\n", script, "\n");
        QVERIFY2(nested.ok, qPrintable(nested.errors));
        QCOMPARE(nested.text, QByteArray("if ($x) {\n  print 1;\n}\n"));   // two columns, from the profile
        QCOMPARE(CPerlTidy::profileFor(m_dir.filePath(QStringLiteral("plain/a.pl"))), QString());
    }
};

QTEST_GUILESS_MAIN(TestPerlTidy)
#include "tst_perltidy.moc"
