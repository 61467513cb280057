#include "editor/CLineEnds.h"

#include <QTest>

class TestLineEnds : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void unixThenDosRestoresCrLf();
    void documentLineEnd_data();
    void documentLineEnd();
};

void TestLineEnds::conversions_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("dos");
    QTest::addColumn<QByteArray>("unix");

    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
    QTest::newRow("CR LF stays, no CR CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n")
                                              << QByteArray("a\nb\n");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc") << QByteArray("a\r\nb\r\nc") << QByteArray("a\nb\nc");
    QTest::newRow("lone CR kept") << QByteArray("a\rb\n") << QByteArray("a\rb\r\n") << QByteArray("a\rb\n");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\r\n") << QByteArray("a\r\n");
    QTest::newRow("leading LF") << QByteArray("\nx") << QByteArray("\r\nx") << QByteArray("\nx");
    QTest::newRow("NUL and invalid UTF-8 untouched")
        << QByteArray("\xff\0\n", 3) << QByteArray("\xff\0\r\n", 4) << QByteArray("\xff\0\n", 3);
}

void TestLineEnds::conversions()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, dos);
    QFETCH(QByteArray, unix);
    QCOMPARE(CLineEnds::toDos(text), dos);
    QCOMPARE(CLineEnds::toUnix(text), unix);
    QCOMPARE(CLineEnds::toDos(CLineEnds::toDos(text)), dos);
}

void TestLineEnds::unixThenDosRestoresCrLf()
{
    const QByteArray text("#!/usr/bin/perl\r\nprint 1;\r\n\r\n");
    QCOMPARE(CLineEnds::toDos(CLineEnds::toUnix(text)), text);
}

void TestLineEnds::documentLineEnd_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("none") << QByteArray("abc") << QByteArray("\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray("\r\n");
    QTest::newRow("LF first") << QByteArray("a\nb\r\n") << QByteArray("\n");
    QTest::newRow("CR LF first") << QByteArray("a\r\nb\n") << QByteArray("\r\n");
    QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("\r");
    QTest::newRow("CR at the end") << QByteArray("a\r") << QByteArray("\r");
}

void TestLineEnds::documentLineEnd()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, lineEnd);
    QCOMPARE(CLineEnds::documentLineEnd(text), lineEnd);
}

QTEST_GUILESS_MAIN(TestLineEnds)
#include "tst_lineends.moc"
