#include "CFtpTestServer.h"

#include "ftp/CFtpConnectWorker.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CFtpListParser.h"
#include "ftp/CFtpText.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <thread>

class tst_FtpConnection : public QObject
{
    Q_OBJECT

private:
    CFtpTestServer m_server;
    CFtpConnection m_ftp;

    QStringList names()
    {
        QList<CFtpEntry> entries;
        const QString error = m_ftp.list(entries);
        if (!error.isEmpty())
            return {QStringLiteral("error: ") + error};
        QStringList out;
        for (const CFtpEntry &e : entries)
            out << e.name + (e.isDirectory ? QStringLiteral("/") : QString());
        out.sort();
        return out;
    }

private slots:
    void initTestCase()
    {
        START_FTP_SERVER(m_server, CFtpTestServer::Normal);
        QVERIFY(QDir().mkpath(m_server.path(QStringLiteral("sub folder/deeper"))));
        m_server.write(QStringLiteral("a file.pl"), "print 1;\n");
        m_server.write(QStringLiteral("sub folder/inner.txt"), "x");
        const QString error = m_ftp.connect(QStringLiteral("127.0.0.1"), QLatin1String(CFtpTestServer::user),
                                            QLatin1String(CFtpTestServer::password), m_server.port());
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void directories_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QStringList>("listing");
        const QStringList top{QStringLiteral("a file.pl"), QStringLiteral("sub folder/")};
        const QStringList sub{QStringLiteral("deeper/"), QStringLiteral("inner.txt")};
        QTest::addRow("root") << QStringList{} << "/" << top;
        QTest::addRow("into a name with a blank") << QStringList{"sub folder"} << "/sub folder" << sub;
        QTest::addRow("in and out") << QStringList{"sub folder", ".."} << "/" << top;
        QTest::addRow("absolute") << QStringList{"/sub folder/deeper"} << "/sub folder/deeper" << QStringList{};
        QTest::addRow("missing folder leaves it") << QStringList{"sub folder", "nowhere"} << "/sub folder" << sub;
        QTest::addRow("empty name leaves it") << QStringList{"sub folder", ""} << "/sub folder" << sub;
    }
    void directories()
    {
        QFETCH(QStringList, steps);
        QVERIFY(m_ftp.setCurrentDirectory(QStringLiteral("/")).isEmpty());
        for (const QString &step : steps)
            m_ftp.setCurrentDirectory(step);
        QTEST(m_ftp.currentDirectory(), "dir");
        QTEST(names(), "listing");
    }

    // The server stores ASCII uploads with its own line ends (LF).
    void asciiTransfers_data()
    {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("onServer");
        QTest::addColumn<QByteArray>("inEditor");
        QTest::addRow("LF") << QByteArray("a\nb\n") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
        QTest::addRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
        QTest::addRow("mixed, no last LF") << QByteArray("a\r\nb\nc") << QByteArray("a\nb\nc") << QByteArray("a\nb\nc");
        QTest::addRow("empty") << QByteArray() << QByteArray() << QByteArray();
    }
    void asciiTransfers()
    {
        QFETCH(QByteArray, local);
        QVERIFY(m_ftp.setCurrentDirectory(QStringLiteral("/")).isEmpty());
        QVERIFY(m_ftp.putData(local, QStringLiteral("text.pl"), CFtpConnection::Ascii).isEmpty());
        QTEST(m_server.read(QStringLiteral("text.pl")), "onServer");
        QByteArray got;
        const QString error = m_ftp.readFile(QStringLiteral("text.pl"), CFtpConnection::Ascii, got);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTEST(CFtpText::fromNetworkLineEnds(got), "inEditor");
    }

    void silentServer_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addRow("time-out ends the wait") << false;
        QTest::addRow("cancel ends the wait") << true;
    }
    void silentServer()
    {
        QFETCH(bool, cancel);
        CFtpTestServer silent;
        START_FTP_SERVER(silent, CFtpTestServer::Silent);
        auto request = std::make_shared<CFtpConnectRequest>();
        request->host = QStringLiteral("127.0.0.1");
        request->port = silent.port();
        request->connectTimeout = cancel ? 60 : 2;
        QElapsedTimer t;
        t.start();
        CFtpConnectWorker::start(request);
        if (cancel) {
            QTest::qWait(300);
            CFtpConnectWorker::abandon(*request);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!request->m_bWorkerRunning, 10000);
        QVERIFY(t.elapsed() < 8000);
        QVERIFY(!request->m_bConnected);
        QVERIFY(!CFtpConnectWorker::take(*request));
    }

    void parser_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name"); // empty: the line is skipped
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("dir");
        QTest::addColumn<QString>("time");
        QTest::addRow("file") << "-rw-r--r--   1 owner    group         120 Mar 04 09:05 script.pl"
                              << "script.pl" << 120LL << false << "2026-03-04 09:05";
        QTest::addRow("future date is last year") << "-rw-r--r-- 1 o g 5 Dec 30 10:00 late.pl"
                                                  << "late.pl" << 5LL << false << "2025-12-30 10:00";
        QTest::addRow("directory, year") << "drwxr-xr-x  12 root root 4096 Jan  1  2019 cgi-bin"
                                         << "cgi-bin" << 4096LL << true << "2019-01-01 00:00";
        QTest::addRow("ACL mark, blanks") << "-rw-rw-r--+  1 web  web  77 Feb 10 23:59 my  file .pl"
                                          << "my  file .pl" << 77LL << false << "2026-02-10 23:59";
        QTest::addRow("symbolic link") << "lrwxrwxrwx 1 root root 7 Jun  5 2020 bin -> usr/bin"
                                       << "bin" << 7LL << false << "2020-06-05 00:00";
        QTest::addRow("device") << "crw-rw-rw- 1 root root 1,   3 Apr 2 2021 null"
                                << "null" << 0LL << false << "2021-04-02 00:00";
        QTest::addRow("numeric owner, no group") << "-rw-r--r-- 1 1001 9 Nov 11 11:11 a"
                                                 << "a" << 9LL << false << "2026-11-11 11:11";
        QTest::addRow("month name in the name") << "-rw-r--r-- 1 o g 1 Jan 02 03:04 Jan 5 12:00 notes"
                                                << "Jan 5 12:00 notes" << 1LL << false << "2026-01-02 03:04";
        QTest::addRow("DOS file") << "01-02-20  10:30PM              1234 file name.txt"
                                  << "file name.txt" << 1234LL << false << "2020-01-02 22:30";
        QTest::addRow("DOS directory") << "12-31-1999  12:05AM       <DIR>          old stuff"
                                       << "old stuff" << 0LL << true << "1999-12-31 00:05";
        QTest::addRow("total line") << "total 48" << "" << 0LL << false << "";
        QTest::addRow("garbage") << "this is not a listing" << "" << 0LL << false << "";
    }
    void parser()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        const QDateTime now(QDate(2026, 12, 7), QTime(6, 0));
        const auto entry = CFtpListParser::parseLine(line, now);
        QCOMPARE(entry.has_value(), !name.isEmpty());
        if (!entry)
            return;
        QCOMPARE(entry->name, name);
        QTEST(entry->size, "size");
        QTEST(entry->isDirectory, "dir");
        QTEST(entry->modified.toString(QStringLiteral("yyyy-MM-dd HH:mm")), "time");
    }

    void badLineDoesNotSpoilTheListing()
    {
        const auto entries = CFtpListParser::parse("total 3\r\n-rw-r--r-- 1 o g 1 Jan 02 03:04 a\r\n"
                                                   "?? odd line ??\r\ndrwxr-xr-x 2 o g 0 Jan 02 03:04 b\r\n");
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(1).name, QStringLiteral("b"));
    }
};

QTEST_GUILESS_MAIN(tst_FtpConnection)
#include "tst_ftpconnection.moc"
