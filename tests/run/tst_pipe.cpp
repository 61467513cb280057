#include "run/CPipe.h"

#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

void writeRaw(int fd, const QByteArray &bytes)
{
    qsizetype off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + off, size_t(bytes.size() - off));
        QVERIFY(n > 0);
        off += n;
    }
}

// Everything that comes out of the pipe until `size` bytes have come or
// the end of data.
QByteArray readAll(CPipe &pipe, qsizetype size)
{
    QByteArray all;
    char buffer[2048];
    while (all.size() < size && !pipe.AtEnd()) {
        const int n = pipe.Read(buffer, int(sizeof buffer));
        all.append(buffer, n);
    }
    return all;
}

} // namespace

class TestPipe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    void createdEndsAreCloseOnExec()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        QVERIFY(pipe.readEnd() >= 0);
        QVERIFY(pipe.writeEnd() >= 0);
        QVERIFY(::fcntl(pipe.readEnd(), F_GETFD) & FD_CLOEXEC);
        QVERIFY(::fcntl(pipe.writeEnd(), F_GETFD) & FD_CLOEXEC);
        QCOMPARE(pipe.pollCount(), 20);
    }

    void readLimits_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("rest");

        QTest::newRow("fits") << QByteArray("hello") << 2048 << QByteArray("hello") << QByteArray();
        QTest::newRow("capacity minus one") << QByteArray("hello") << 4 << QByteArray("hel") << QByteArray("lo");
        QTest::newRow("exactly capacity minus one") << QByteArray("abc") << 4 << QByteArray("abc") << QByteArray();
        QTest::newRow("zero bytes inside") << QByteArray("a\0b\0c", 5) << 2048 << QByteArray("a\0b\0c", 5)
                                           << QByteArray();
        QTest::newRow("zero byte at the cut") << QByteArray("a\0b\0c", 5) << 3 << QByteArray("a\0", 2)
                                              << QByteArray("b\0c", 3);
        QTest::newRow("capacity one reads nothing") << QByteArray("xy") << 1 << QByteArray() << QByteArray("xy");
    }

    void readLimits()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, capacity);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, rest);

        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1);
        writeRaw(pipe.writeEnd(), data);

        QByteArray buffer(capacity + 8, '\x7f');
        const int n = pipe.Read(buffer.data(), capacity);
        QCOMPARE(n, int(first.size()));
        QCOMPARE(buffer.left(n), first);
        QCOMPARE(buffer.at(n), '\0');
        QVERIFY(n <= capacity - 1);

        pipe.CloseWriteEnd();
        QCOMPARE(readAll(pipe, rest.size() + 1), rest);
        QVERIFY(pipe.AtEnd());
    }

    void idleReadLeavesBufferAlone()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1);
        char buffer[8] = "keepme";
        QCOMPARE(pipe.Read(buffer, int(sizeof buffer)), 0);
        QCOMPARE(QByteArray(buffer), QByteArray("keepme"));
        QVERIFY(!pipe.AtEnd());
    }

    void closedOrMissingEndReadsNothing()
    {
        CPipe never;
        char buffer[16] = "x";
        QCOMPARE(never.Read(buffer, 16), 0);

        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        writeRaw(pipe.writeEnd(), "data");
        pipe.CloseReadEnd();
        QCOMPARE(pipe.readEnd(), -1);
        QCOMPARE(pipe.Read(buffer, 16), 0);
        QCOMPARE(pipe.CloseBoth(), 1);
        QCOMPARE(pipe.writeEnd(), -1);
    }

    void endOfDataAfterWriterCloses()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        writeRaw(pipe.writeEnd(), "last words");
        pipe.CloseWriteEnd();
        char buffer[64];
        QCOMPARE(pipe.Read(buffer, 64), 10);
        QVERIFY(!pipe.AtEnd());
        QCOMPARE(pipe.Read(buffer, 64), 0);
        QVERIFY(pipe.AtEnd());
    }

    // Far more than the pipe holds is queued while nobody reads: Write must
    // not wait (the test would hang), and every byte arrives in order.
    void writeQueuesAndKeepsOrder()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(2);
        QByteArray expected;
        for (int i = 0; i < 300; ++i) {
            QByteArray chunk = QByteArray::number(i).rightJustified(5, '0') + ':';
            chunk += QByteArray(1 + (i * 97) % 9000, char('a' + i % 26));
            if (i % 7 == 0)
                chunk += QByteArray(3, '\0');
            QCOMPARE(pipe.Write(chunk), 0);
            expected += chunk;
        }
        QVERIFY(expected.size() > 1024 * 1024);
        QCOMPARE(readAll(pipe, expected.size()), expected);
    }

    void writeToPipeWithoutReaderIsDropped_data()
    {
        QTest::addColumn<bool>("sigpipeIgnored");
        QTest::newRow("SIGPIPE ignored") << true;
        QTest::newRow("SIGPIPE default") << false;
    }

    void writeToPipeWithoutReaderIsDropped()
    {
        QFETCH(bool, sigpipeIgnored);
        ::signal(SIGPIPE, sigpipeIgnored ? SIG_IGN : SIG_DFL);
        auto restore = qScopeGuard([] { ::signal(SIGPIPE, SIG_IGN); });
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.CloseReadEnd();
        QCOMPARE(pipe.Write(QByteArray(200000, 'x')), 0);
        // The writer sees the broken pipe, drops the rest and closes its end.
        QTRY_COMPARE(pipe.writeEnd(), -1);
        QCOMPARE(pipe.Write("more"), 0);
    }

    // A writer stuck on a full pipe that nobody drains does not keep the
    // owner from closing or destroying the pipe.
    void stuckWriterDoesNotHoldUpClosing()
    {
        int keepOpen = -1;
        {
            CPipe pipe;
            QVERIFY(pipe.CreatePipeEnds());
            keepOpen = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 3);
            QVERIFY(keepOpen >= 0);
            QCOMPARE(pipe.Write(QByteArray(1024 * 1024, 'z')), 0);
            pipe.CloseWriteEnd();
            QCOMPARE(pipe.writeEnd(), -1);
        }
        {
            CPipe pipe;
            QVERIFY(pipe.CreatePipeEnds());
            QCOMPARE(pipe.Write(QByteArray(1024 * 1024, 'z')), 0);
            // Destroyed with the writer still waiting for room.
        }
        ::close(keepOpen);
    }

    void closeBothDeliversQueuedBytesFirst()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        const int reader = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 3);
        const QByteArray body(500000, 'p');
        pipe.Write(body);
        pipe.Write("end");
        QCOMPARE(pipe.CloseBoth(), 1);
        QCOMPARE(pipe.readEnd(), -1);

        QByteArray got;
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(reader, buffer, sizeof buffer)) > 0)
            got.append(buffer, n);
        ::close(reader);
        QCOMPARE(got.size(), body.size() + 3);
        QVERIFY(got.endsWith("pend"));
        QCOMPARE(pipe.writeEnd(), -1);
    }

    // Closing the read end while another thread polls it: the close returns
    // at once and the reader leaves its Read early.
    void closeWhileReading()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1 << 30); // would never give up by itself
        std::atomic<int> result{-1};
        std::thread reader([&] {
            char buffer[64];
            result = pipe.Read(buffer, 64);
        });
        QTest::qWait(300);
        pipe.CloseReadEnd();
        reader.join();
        QCOMPARE(result.load(), 0);
        QCOMPARE(pipe.readEnd(), -1);
    }

    void stopFlag_data()
    {
        QTest::addColumn<QByteArray>("waiting");
        QTest::newRow("nothing there") << QByteArray();
        QTest::newRow("bytes still there") << QByteArray("tail of output");
    }

    // A stopped reader gets what is still in the pipe, or 0, at once.
    void stopFlag()
    {
        QFETCH(QByteArray, waiting);
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1 << 30); // would never give up by itself
        std::atomic<bool> stop{true};
        pipe.setStopFlag(&stop);
        if (!waiting.isEmpty())
            writeRaw(pipe.writeEnd(), waiting);
        char buffer[64];
        const int n = pipe.Read(buffer, 64);
        QCOMPARE(QByteArray(buffer, n), waiting);
    }

    void stopFlagEndsAWaitingRead()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1 << 30); // would never give up by itself
        std::atomic<bool> stop{false};
        std::atomic<bool> returned{false};
        pipe.setStopFlag(&stop);
        std::thread reader([&] {
            char buffer[64];
            pipe.Read(buffer, 64);
            returned = true;
        });
        QTest::qWait(300);
        QVERIFY(!returned.load());
        stop = true;
        reader.join();
        QVERIFY(returned.load());
    }
};

QTEST_GUILESS_MAIN(TestPipe)
#include "tst_pipe.moc"
