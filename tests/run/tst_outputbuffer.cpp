#include "run/COutputBuffer.h"

#include <QTest>

#include <atomic>
#include <thread>

class tst_OutputBuffer : public QObject
{
    Q_OBJECT

private slots:
    void completePrefix_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        QTest::newRow("ascii") << QByteArray("abc") << 3;
        QTest::newRow("lead of two-byte") << QByteArray("a\xc3") << 1;
        QTest::newRow("three-byte, one missing") << QByteArray("a\xe2\x82") << 1;
        QTest::newRow("four-byte, one missing") << QByteArray("x\xf0\x9f\x98") << 1;
        QTest::newRow("complete four-byte") << QByteArray("\xf0\x9f\x98\x80") << 4;
        // Bytes that can never start a sequence are not held back.
        QTest::newRow("invalid lead C0") << QByteArray("a\xc0") << 2;
        QTest::newRow("stray continuations") << QByteArray("a\x80\x80\x80\x80") << 5;
    }

    void completePrefix()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QCOMPARE(COutputBuffer::completeUtf8Prefix(bytes), qsizetype(expected));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("expected");
        // Two reads that cut the 2-, 3- and 4-byte characters anywhere.
        const QByteArray chars("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
        for (int cut = 1; cut < chars.size(); ++cut)
            QTest::addRow("cut at %d", cut) << QByteArrayList{chars.left(cut), chars.mid(cut)}
                                            << QString::fromUtf8(chars);
        QTest::newRow("crlf") << QByteArrayList{"a\r\nb\r\n"} << "a\nb\n";
        QTest::newRow("crlf split") << QByteArrayList{"a\r", "\nb"} << "a\nb";
        QTest::newRow("lone cr") << QByteArrayList{"a\rb"} << "a\nb";
        QTest::newRow("cr cr lf") << QByteArrayList{"a\r\r\nb"} << "a\n\nb";
        QTest::newRow("cr at end then text") << QByteArrayList{"a\r", "b"} << "a\nb";
        QTest::newRow("zero byte cuts nothing") << QByteArrayList{QByteArray("a\0b", 3)}
                                                << QStringLiteral("a\u2400b");
        // Shown as replacement characters, not dropped.
        QTest::newRow("incomplete character at the end") << QByteArrayList{"ok\xe2\x82"}
                                                         << QString::fromUtf8("ok\xe2\x82");
    }

    void decoding()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, expected);
        COutputBuffer buffer;
        for (const QByteArray &c : chunks)
            QVERIFY(buffer.appendBytes(c));
        buffer.finish();
        QCOMPARE(buffer.take(1000), expected);
        QVERIFY(buffer.isDrained());
    }

    void batchesKeepOrderAndSurrogates()
    {
        COutputBuffer buffer;
        QString all;
        for (int i = 0; i < 50; ++i) {
            const QString piece = QString::number(i) + QString::fromUtf8("\xf0\x9f\x98\x80");
            all += piece;
            buffer.appendBytes(piece.toUtf8());
        }
        QString taken;
        while (buffer.pending() > 0) {
            const QString batch = buffer.take(7);
            QVERIFY(!batch.isEmpty() && batch.size() <= 7);
            QVERIFY2(!batch.back().isHighSurrogate(), "a batch ends inside a surrogate pair");
            taken += batch;
        }
        QCOMPARE(taken, all);
    }

    void limitDropsWithoutWaiting()
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
        // An emptied pane has the whole limit again.
        buffer.setHighWater(100);
        buffer.restart();
        QVERIFY(buffer.appendBytes("0123456789ab"));
        QCOMPARE(buffer.take(100), QStringLiteral("0123456789"));
    }

    // A reader above the high-water mark waits until the window has taken
    // text, or until the buffer is aborted, which refuses it from then on.
    void readerWaitsAboveHighWater_data()
    {
        QTest::addColumn<bool>("abort");
        QTest::newRow("text taken") << false;
        QTest::newRow("aborted") << true;
    }

    void readerWaitsAboveHighWater()
    {
        QFETCH(bool, abort);
        COutputBuffer buffer;
        buffer.setHighWater(4);
        buffer.appendBytes("12345");
        std::atomic<int> result{-1};
        std::thread reader([&] { result = buffer.appendBytes("6"); });
        QTest::qWait(50);
        QCOMPARE(result.load(), -1);
        if (abort)
            buffer.abort();
        else
            QCOMPARE(buffer.take(3), QStringLiteral("123"));
        reader.join();
        QCOMPARE(result.load(), int(!abort));
        QCOMPARE(buffer.take(10), abort ? QString() : QStringLiteral("456"));
        QCOMPARE(buffer.appendBytes("7"), !abort);
    }
};

QTEST_GUILESS_MAIN(tst_OutputBuffer)
#include "tst_outputbuffer.moc"
