#include "perltools/COutlineScanner.h"

#include <QTest>

class TestOutline : public QObject
{
    Q_OBJECT

private:
    static QString describe(const QList<COutlineEntry> &entries)
    {
        QStringList parts;
        for (const COutlineEntry &e : entries)
            parts << QStringLiteral("%1%2@%3").arg(e.kind == COutlineEntry::Package ? "P:" : "").arg(e.name).arg(e.line);
        return parts.join(u' ');
    }

private slots:
    void scan_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("packages and subs") << QByteArray("package Foo;\nsub new {\n}\n  sub helper { 1 }\npackage Foo::Bar;\nsub run;\n")
                                           << "P:Foo@1 new@2 helper@4 P:Foo::Bar@5 run@6";
        QTest::newRow("CR LF lines") << QByteArray("sub a {}\r\nsub b {}\r\n") << "a@1 b@2";
        QTest::newRow("anonymous sub is no entry") << QByteArray("my $f = sub { 1 };\nsub named {}\n") << "named@2";
        QTest::newRow("word starting with sub") << QByteArray("subroutine();\npackaged();\n") << "";
        QTest::newRow("POD skipped") << QByteArray("=head1 NAME\n\nsub notreal {}\n\n=cut\n\nsub real {}\n") << "real@7";
        QTest::newRow("after __END__ skipped") << QByteArray("sub a {}\n__END__\nsub b {}\n") << "a@1";
        QTest::newRow("after __DATA__ skipped") << QByteArray("sub a {}\n__DATA__\nsub b {}\n") << "a@1";
        QTest::newRow("here-document skipped")
            << QByteArray("print <<EOT;\nsub inside {}\nEOT\nsub after {}\n") << "after@4";
        QTest::newRow("indented quoted here-document")
            << QByteArray("print <<~'END';\n  sub inside {}\n  END\nsub after {}\n") << "after@4";
        QTest::newRow("shift operator is no here-document") << QByteArray("my $x = 1 << 2;\nsub s1 {}\n") << "s1@2";
        QTest::newRow("no final line end") << QByteArray("sub last_one {}") << "last_one@1";
        QTest::newRow("invalid UTF-8 name bytes") << QByteArray("sub caf\xe9 {}\nsub ok {}\n") << "caf\uFFFD@1 ok@2";
        QTest::newRow("empty") << QByteArray() << "";
    }

    void scan()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(describe(COutlineScanner::scan(text)), expected);
    }

    void matches_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("match");
        QTest::newRow("empty filter") << "run" << "" << true;
        QTest::newRow("part, other case") << "parse_Line" << "LINE" << true;
        QTest::newRow("blanks around") << "helper" << " help " << true;
        QTest::newRow("no match") << "helper" << "xyz" << false;
    }

    void matches()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, match);
        QCOMPARE(COutlineScanner::matches({COutlineEntry::Sub, name, 1}, filter), match);
    }
};

QTEST_GUILESS_MAIN(TestOutline)
#include "tst_outline.moc"
