#include "run/CPipe.h"

#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Small writes to a pipe are whole.
bool writeRaw(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

} // namespace

class TestPipe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    // Read takes at most capacity - 1 bytes and puts a zero byte after them.
    void readLimits_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("fits") << QByteArray("hello") << 2048 << QByteArray("hello") << QByteArray();
        QTest::newRow("capacity minus one") << QByteArray("hello") << 4 << QByteArray("hel") << QByteArray("lo");
        QTest::newRow("exactly capacity minus one") << QByteArray("abc") << 4 << QByteArray("abc") << QByteArray();
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
        QVERIFY(writeRaw(pipe.writeEnd(), data));

        QByteArray buffer(std::max(capacity, 64) + 8, '\x7f');
        const int n = pipe.Read(buffer.data(), capacity);
        QCOMPARE(buffer.left(n), first);
        QCOMPARE(buffer.at(n), '\0');
        QVERIFY(!pipe.AtEnd());
        pipe.CloseWriteEnd();
        QByteArray more;
        while (!pipe.AtEnd())
            more.append(buffer.data(), pipe.Read(buffer.data(), 64));
        QCOMPARE(more, rest);
    }

    // Far more than the pipe holds is queued while nobody reads: Write must
    // not wait (the test would hang). CloseBoth then lets the queue drain, in
    // order, before the reader sees the end of data.
    void writeQueuesAndCloseBothDeliversAll()
    {
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        const int reader = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 3); // stands for the child's end
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
        QCOMPARE(pipe.CloseBoth(), 1);
        QCOMPARE(pipe.readEnd(), -1);
        QByteArray got;
        char buffer[65536];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        ::close(reader);
        QCOMPARE(got, expected);
        QCOMPARE(pipe.writeEnd(), -1);
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

    // A writer stuck on a full pipe that nobody drains holds up neither
    // closing nor destroying the pipe.
    void stuckWriterDoesNotHoldUpClosing()
    {
        int keepOpen = -1;
        {
            CPipe pipe;
            QVERIFY(pipe.CreatePipeEnds());
            keepOpen = ::fcntl(pipe.readEnd(), F_DUPFD_CLOEXEC, 3);
            pipe.Write(QByteArray(1024 * 1024, 'z'));
            pipe.CloseWriteEnd();
            QCOMPARE(pipe.writeEnd(), -1);
        }
        {
            CPipe pipe;
            QVERIFY(pipe.CreatePipeEnds());
            pipe.Write(QByteArray(1024 * 1024, 'z'));
        }
        ::close(keepOpen);
    }

    // A Read that would wait forever hands over what is in the pipe, or 0,
    // once the stop flag is set (before or during the wait) or the read end
    // is closed under it.
    void readThatWouldWaitForever_data()
    {
        QTest::addColumn<QByteArray>("waiting");
        QTest::addColumn<int>("when"); // 0: stopped before, 1: stopped while waiting, 2: closed while waiting
        QTest::newRow("stopped, nothing there") << QByteArray() << 0;
        QTest::newRow("stopped, bytes still there") << QByteArray("tail of output") << 0;
        QTest::newRow("stop flag set while waiting") << QByteArray() << 1;
        QTest::newRow("read end closed while waiting") << QByteArray() << 2;
    }

    void readThatWouldWaitForever()
    {
        QFETCH(QByteArray, waiting);
        QFETCH(int, when);
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        pipe.setPollCount(1 << 30);
        std::atomic<bool> stop{when == 0};
        pipe.setStopFlag(&stop);
        QVERIFY(writeRaw(pipe.writeEnd(), waiting));
        char buffer[64];
        std::atomic<int> n{-1};
        std::thread reader([&] { n = pipe.Read(buffer, 64); });
        if (when > 0) {
            QTest::qWait(300);
            const bool stillWaiting = n.load() == -1;
            if (when == 1)
                stop = true;
            else
                pipe.CloseReadEnd();
            QVERIFY(stillWaiting);
        }
        reader.join();
        QCOMPARE(QByteArray(buffer, n), waiting);
        QCOMPARE(pipe.readEnd() == -1, when == 2);
    }
};

QTEST_GUILESS_MAIN(TestPipe)
#include "tst_pipe.moc"
