#include "run/COutputBuffer.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

class tst_OutputBuffer : public QObject
{
    Q_OBJECT

private slots:
    void completePrefix_data();
    void completePrefix();
    void splitCharacters_data();
    void splitCharacters();
    void lineEnds_data();
    void lineEnds();
    void zeroBytesCutNothing();
    void incompleteCharacterAtEnd();
    void batchesKeepOrderAndSurrogates();
    void limitDropsWithoutWaiting();
    void readerWaitsAboveHighWater();
    void abortWakesWaitingReader();
    void signalsOncePerEmptying();
};

void tst_OutputBuffer::completePrefix_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("ascii") << QByteArray("abc") << 3;
    QTest::newRow("complete two-byte") << QByteArray("a\xc3\xa9") << 3;
    QTest::newRow("lead of two-byte") << QByteArray("a\xc3") << 1;
    QTest::newRow("three-byte, one missing") << QByteArray("a\xe2\x82") << 1;
    QTest::newRow("three-byte, two missing") << QByteArray("a\xe2") << 1;
    QTest::newRow("complete three-byte") << QByteArray("\xe2\x82\xac") << 3;
    QTest::newRow("four-byte, one missing") << QByteArray("x\xf0\x9f\x98") << 1;
    QTest::newRow("complete four-byte") << QByteArray("\xf0\x9f\x98\x80") << 4;
    // Bytes that can never start a sequence are not held back.
    QTest::newRow("invalid lead C0") << QByteArray("a\xc0") << 2;
    QTest::newRow("invalid lead FF") << QByteArray("a\xff") << 2;
    QTest::newRow("stray continuations") << QByteArray("a\x80\x80\x80\x80") << 5;
}

void tst_OutputBuffer::completePrefix()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(COutputBuffer::completeUtf8Prefix(bytes), qsizetype(expected));
}

void tst_OutputBuffer::splitCharacters_data()
{
    QTest::addColumn<int>("cut");
    // "é€😀" as UTF-8 is 2 + 3 + 4 bytes; every cut position between 1 and 8.
    for (int cut = 1; cut < 9; ++cut)
        QTest::addRow("cut at %d", cut) << cut;
}

void tst_OutputBuffer::splitCharacters()
{
    QFETCH(int, cut);
    const QString text = QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    const QByteArray bytes = text.toUtf8();
    COutputBuffer buffer;
    QVERIFY(buffer.appendBytes(bytes.left(cut)));
    QVERIFY(buffer.appendBytes(bytes.mid(cut)));
    buffer.finish();
    QCOMPARE(buffer.take(100), text);
    QVERIFY(buffer.isDrained());
}

void tst_OutputBuffer::lineEnds_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QString>("expected");
    QTest::newRow("lf") << QByteArrayList{"a\nb\n"} << "a\nb\n";
    QTest::newRow("crlf") << QByteArrayList{"a\r\nb\r\n"} << "a\nb\n";
    QTest::newRow("crlf split") << QByteArrayList{"a\r", "\nb"} << "a\nb";
    QTest::newRow("lone cr") << QByteArrayList{"a\rb"} << "a\nb";
    QTest::newRow("cr cr lf") << QByteArrayList{"a\r\r\nb"} << "a\n\nb";
    QTest::newRow("cr at end then text") << QByteArrayList{"a\r", "b"} << "a\nb";
    QTest::newRow("lf lf") << QByteArrayList{"\n", "\n"} << "\n\n";
}

void tst_OutputBuffer::lineEnds()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QString, expected);
    COutputBuffer buffer;
    for (const QByteArray &c : chunks)
        buffer.appendBytes(c);
    QCOMPARE(buffer.take(1000), expected);
}

void tst_OutputBuffer::zeroBytesCutNothing()
{
    COutputBuffer buffer;
    buffer.appendBytes(QByteArrayView("before\0after", 12));
    const QString text = buffer.take(100);
    QCOMPARE(text.size(), 12);
    QVERIFY(text.startsWith(u"before"));
    QVERIFY(text.endsWith(u"after"));
    QVERIFY(!text.contains(QChar(0)));
}

void tst_OutputBuffer::incompleteCharacterAtEnd()
{
    COutputBuffer buffer;
    QSignalSpy finished(&buffer, &COutputBuffer::finished);
    buffer.appendBytes("ok\xe2\x82");
    QCOMPARE(buffer.pending(), 2);
    QVERIFY(!buffer.isDrained());
    buffer.finish();
    QCOMPARE(finished.count(), 1);
    const QString text = buffer.take(100);
    QVERIFY(text.startsWith(u"ok"));
    QVERIFY(text.size() > 2);
    for (QChar c : QStringView(text).mid(2))
        QCOMPARE(c, QChar(QChar::ReplacementCharacter));
    QVERIFY(buffer.isDrained());
}

void tst_OutputBuffer::batchesKeepOrderAndSurrogates()
{
    COutputBuffer buffer;
    const QString smiley = QString::fromUtf8("\xf0\x9f\x98\x80");
    QString all;
    for (int i = 0; i < 50; ++i) {
        const QString piece = QString::number(i) + smiley;
        all += piece;
        buffer.appendBytes(piece.toUtf8());
    }
    QString taken;
    while (buffer.pending() > 0) {
        const QString batch = buffer.take(7);
        QVERIFY(batch.size() <= 7);
        QVERIFY(!batch.isEmpty());
        QVERIFY2(!batch.back().isHighSurrogate(), "a batch ends inside a surrogate pair");
        taken += batch;
    }
    QCOMPARE(taken, all);
}

void tst_OutputBuffer::limitDropsWithoutWaiting()
{
    COutputBuffer buffer;
    buffer.setLimit(10);
    QVERIFY(buffer.appendBytes("0123456"));
    QVERIFY(buffer.appendBytes("789abcdef"));
    // Text beyond the limit never waits for room, however full the buffer.
    buffer.setHighWater(1);
    QVERIFY(buffer.appendBytes("more"));
    QCOMPARE(buffer.accepted(), 10);
    QCOMPARE(buffer.dropped(), 6 + 4);
    QCOMPARE(buffer.take(100), QStringLiteral("0123456789"));
}

void tst_OutputBuffer::readerWaitsAboveHighWater()
{
    COutputBuffer buffer;
    buffer.setHighWater(4);
    buffer.appendBytes("12345");   // over the mark: the next append waits
    std::atomic<bool> done{false};
    std::thread reader([&] {
        buffer.appendBytes("6");
        done = true;
    });
    // The reader can only finish once the window has taken text.
    QTest::qWait(50);
    QVERIFY(!done);
    QCOMPARE(buffer.take(3), QStringLiteral("123"));
    reader.join();
    QVERIFY(done);
    QCOMPARE(buffer.take(10), QStringLiteral("456"));
}

void tst_OutputBuffer::abortWakesWaitingReader()
{
    COutputBuffer buffer;
    buffer.setHighWater(1);
    buffer.appendBytes("xx");
    std::atomic<int> result{-1};
    std::thread reader([&] { result = buffer.appendBytes("yy") ? 1 : 0; });
    buffer.abort();
    reader.join();
    QCOMPARE(result.load(), 0);
    QVERIFY(!buffer.appendBytes("zz"));
    QCOMPARE(buffer.pending(), 0);
}

void tst_OutputBuffer::signalsOncePerEmptying()
{
    COutputBuffer buffer;
    QSignalSpy spy(&buffer, &COutputBuffer::textAvailable);
    buffer.appendBytes("a");
    buffer.appendBytes("b");
    QCOMPARE(spy.count(), 1);
    buffer.take(1);   // still text left: the taker goes on by itself
    buffer.appendBytes("c");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(buffer.take(10), QStringLiteral("bc"));
    buffer.appendBytes("d");
    QCOMPARE(spy.count(), 2);
}

QTEST_GUILESS_MAIN(tst_OutputBuffer)
#include "tst_outputbuffer.moc"
