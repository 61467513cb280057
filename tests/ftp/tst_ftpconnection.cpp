#include "CFtpTestServer.h"

#include "ftp/CFtpConnectWorker.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CFtpListParser.h"
#include "ftp/CFtpListReader.h"
#include "ftp/CFtpText.h"
#include "ftp/CKnownHosts.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <climits>
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
        // A size that is no non-negative number within qint64 is unknown.
        const qint64 unknown = CFtpEntry::UnknownSize;
        QTest::addRow("negative size") << "-rw-r--r-- 1 u g -48 Oct  7 07:07 x" << "x" << unknown << false << "2026-10-07 07:07";
        QTest::addRow("largest size") << "-rw-r--r-- 1 u g 9223372036854775807 Oct 7 2020 x" << "x"
                                      << 9223372036854775807LL << false << "2020-10-07 00:00";
        QTest::addRow("size past qint64") << "-rw-r--r-- 1 u g 9223372036854775808 Oct 7 2020 x" << "x" << unknown << false
                                          << "2020-10-07 00:00";
        QTest::addRow("size with a sign") << "-rw-r--r-- 1 u g +48 Oct 7 2020 x" << "x" << unknown << false << "2020-10-07 00:00";
        QTest::addRow("DOS size past qint64") << "01-02-20  10:30PM  99999999999999999999 big" << "big" << unknown << false
                                              << "2020-01-02 22:30";
        QTest::addRow("DOS, blanks before a small am") << "01-02-2020 10:30 am   5 x" << "x" << 5LL << false << "2020-01-02 10:30";
        QTest::addRow("DOS, tab and padding") << "01-02-20 1:05\t5    name " << "name " << 5LL << false << "2020-01-02 01:05";
        QTest::addRow("DOS, AM glued to the size") << "01-02-20 10:30AM5 x" << "" << 0LL << false << "";
        QTest::addRow("DOS, five-digit year") << "01-02-20201 10:30 5 x" << "" << 0LL << false << "";
        QTest::addRow("DOS, <DIR> glued to the name") << "01-02-20 10:30 <DIR>x y" << "" << 0LL << false << "";
        QTest::addRow("DOS, name of blanks") << "01-02-20 10:30 5   " << "" << 0LL << false << "";
        QTest::addRow("garbage") << "this is not a listing" << "" << 0LL << false << "";
        // Lines built to make a backtracking reader retry.
        const QString mb(1024 * 1024, u' ');
        QTest::addRow("DOS, 1 MB of blanks before an X") << "01-01-20 1:00" + mb + "X" << "" << 0LL << false << "";
        QTest::addRow("DOS, 1 MB of blanks before the size") << "01-01-20 1:00" + mb + "7 n" << "n" << 7LL << false << "2020-01-01 01:00";
        QTest::addRow("DOS, 1 MB of padding before the name") << "01-01-20 1:00 7" + mb + "n" << "n" << 7LL << false << "2020-01-01 01:00";
        QTest::addRow("Unix, 1 MB of blanks in the name") << "-rw-r--r-- 1 u g 7 Oct 7 2020 " + mb + "n" << mb + "n" << 7LL << false
                                                          << "2020-10-07 00:00";
        QTest::addRow("Unix, half a million fields") << "-rw-r--r-- " + QString(" a").repeated(512 * 1024) << "" << 0LL << false << "";
    }
    void parser()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QElapsedTimer timer;
        timer.start();
        const auto entry = CFtpListParser::parseLine(line, QDateTime(QDate(2026, 12, 7), QTime(6, 0)));
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(entry.has_value(), !name.isEmpty());
        if (!entry)
            return;
        QCOMPARE(entry->name, name);
        QTEST(entry->size, "size");
        QTEST(entry->isDirectory, "dir");
        QTEST(entry->modified.toString(QStringLiteral("yyyy-MM-dd HH:mm")), "time");
    }

    // What a server can make us hold: lines over 64 KB are skipped, a
    // listing is cut after its byte or entry bound.
    void readerBounds_data()
    {
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<qsizetype>("maxEntries");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("cut");
        const QByteArray prefix = "-rw-r--r-- 1 o g 1 Jan 02 03:04 ";
        const QByteArray longest = prefix + QByteArray(CFtpListReader::MaxLineBytes - prefix.size(), 'n');
        const qint64 mb = 1024 * 1024;
        QTest::addRow("a 64 KB line is read") << longest + "\r\n" << mb << qsizetype(9) << QStringList{QString::fromLatin1(longest.mid(prefix.size()))} << false;
        QTest::addRow("a byte longer is skipped, not the next") << longest + "n\r\n" + prefix + "b" << mb << qsizetype(9)
                                                               << QStringList{"b"} << false;
        QTest::addRow("a 4 MB line is skipped") << QByteArray(4 * mb, 'x') + "\n" + prefix + "b\n" << 8 * mb << qsizetype(9)
                                                << QStringList{"b"} << false;
        const QByteArray three = prefix + "a\n" + prefix + "b\n" + prefix + "c\n";
        QTest::addRow("as many entries as the bound") << three << mb << qsizetype(3) << QStringList{"a", "b", "c"} << false;
        QTest::addRow("one entry more") << three << mb << qsizetype(2) << QStringList{"a", "b"} << true;
        const QByteArray filler = QByteArray(999, '?') + "\n";
        QTest::addRow("bytes past the bound, the cut line dropped")
            << prefix + "a\n" + filler.repeated(1100) + prefix + "z\n" << mb << qsizetype(9) << QStringList{"a"} << true;
        QTest::addRow("exactly the byte bound")
            << prefix + "a\n" + filler.repeated(1024).left(mb - 2 * prefix.size() - 5) + "\n" + prefix + "z\n" << mb
            << qsizetype(9) << QStringList{"a", "z"} << false;
    }
    void readerBounds()
    {
        QFETCH(QByteArray, listing);
        QFETCH(qint64, maxBytes);
        QFETCH(qsizetype, maxEntries);
        // Whole, and in pieces of 1 to 64 KB that cut lines anywhere.
        for (qsizetype piece : {listing.size(), qsizetype(1), qsizetype(4093), qsizetype(65536)}) {
            if (piece == 1 && listing.size() > 200000)
                continue;
            CFtpListReader reader(QDateTime::currentDateTime(), maxBytes, maxEntries);
            for (qsizetype at = 0; at < listing.size() && reader.feed(listing.constData() + at, std::min(piece, listing.size() - at));)
                at += piece;
            reader.finish();
            QStringList names;
            for (const CFtpEntry &e : reader.takeEntries())
                names << e.name;
            QTEST(names, "names");
            QTEST(reader.isCut(), "cut");
            QCOMPARE(reader.cutNote().isEmpty(), !reader.isCut());
        }
    }

    // A listing cut at its bound ends the transfer early; the connection
    // goes on working.
    void cutListing()
    {
        QVERIFY(m_ftp.setCurrentDirectory(QStringLiteral("/")).isEmpty());
        m_ftp.setListingLimits(CFtpListReader::MaxBytes, 1);
        QList<CFtpEntry> entries;
        QString note;
        const QString error = m_ftp.list(entries, &note);
        m_ftp.setListingLimits(CFtpListReader::MaxBytes, CFtpListReader::MaxEntries);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(entries.size(), 1);
        QVERIFY(note.contains(QStringLiteral("more than 1 entries")));
        QVERIFY(names().size() >= 2);
        QVERIFY(m_ftp.list(entries, &note).isEmpty());
        QVERIFY(note.isEmpty());
    }

    // While a listing arrives the wait handler runs; a cancel from it ends
    // a listing that would never end.
    void endlessListingIsCancelled()
    {
        CFtpTestServer endless;
        START_FTP_SERVER(endless, CFtpTestServer::Hostile);
        endless.write(QStringLiteral("endless"), "");
        CFtpConnection ftp;
        QVERIFY(ftp.connect(QStringLiteral("127.0.0.1"), QLatin1String(CFtpTestServer::user),
                            QLatin1String(CFtpTestServer::password), endless.port()).isEmpty());
        int waits = 0;
        ftp.setWaitHandler([&] {
            if (++waits == 4)
                ftp.cancel();
        });
        QList<CFtpEntry> entries;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(ftp.list(entries), QStringLiteral("Cancelled"));
        QVERIFY(timer.elapsed() >= 3 * CFtpConnection::WaitIntervalMs);
        QVERIFY(waits >= 4);
        QVERIFY(entries.isEmpty());
    }

    // A host key's algorithm name goes into a known_hosts line: one that
    // would break the line makes the key unusable.
    void hostKeyType_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("type");
        QTest::addRow("ed25519") << QByteArray("ssh-ed25519") << "ssh-ed25519";
        QTest::addRow("line feed") << QByteArray("ssh-rsa\nevil.example ssh-rsa") << "";
        QTest::addRow("not ASCII") << QByteArray("ssh-\xe9") << "";
    }
    void hostKeyType()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, type);
        QByteArray key(4, '\0');
        qToBigEndian(quint32(name.size()), key.data());
        key += name + QByteArray(32, 'k');
        QCOMPARE(CKnownHosts::keyType(key), type);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("known_hosts"));
        QCOMPARE(CKnownHosts::add(path, QStringLiteral("h"), 22, key).isEmpty(), !type.isEmpty());
        QCOMPARE(CTestEnvironment::readFile(path).count('\n'), type.isEmpty() ? 0 : 1);
    }

    void portsOutOfRange_data()
    {
        QTest::addColumn<qlonglong>("port");
        QTest::addRow("65536") << 65536LL;
        QTest::addRow("-1") << -1LL;
        QTest::addRow("largest long") << qlonglong(LONG_MAX);
    }
    void portsOutOfRange()
    {
        QFETCH(qlonglong, port);
        CFtpConnection ftp;
        const QString error = ftp.connect(QStringLiteral("127.0.0.1"), QLatin1String(CFtpTestServer::user),
                                          QLatin1String(CFtpTestServer::password), long(port));
        QCOMPARE(error, QStringLiteral("The port number %1 is not between 0 and 65535").arg(port));
    }
};

QTEST_GUILESS_MAIN(tst_FtpConnection)
#include "tst_ftpconnection.moc"
