#include "CTestEnvironment.h"

#include "app/CConfigFile.h"
#include "app/COstrakApp.h"
#include "app/CViewFont.h"

#include <QtTest>

#include <sys/stat.h>

// The configuration file, its values and the settings derived from them.
class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the file's bytes, a key, the value the record then holds.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("space after = kept") << QByteArray("TAB_SIZE= 4\r\n") << "TAB_SIZE" << " 4";
        QTest::newRow("space before = is another key") << QByteArray("TAB_SIZE =4\r\n") << "TAB_SIZE" << "";
        QTest::newRow("only the first = splits") << QByteArray("LOCAL_PERL_PRM=-e x=1\r\n") << "LOCAL_PERL_PRM"
                                                 << "-e x=1";
        QTest::newRow("last duplicate wins, no final line end")
            << QByteArray("SERVER_HOST=a\r\nSERVER_HOST=b") << "SERVER_HOST" << "b";
        QTest::newRow("bare LF ends a line") << QByteArray("SERVER_USER=u\nSERVER_HOST=h\n") << "SERVER_HOST" << "h";
        QTest::newRow("lone CR stays in the value") << QByteArray("SERVER_HOST=a\rb\n") << "SERVER_HOST" << "a\rb";
        QTest::newRow("port: blanks, digits, junk") << QByteArray("FTP_PORT_NUMBER=  21x\r\n") << "FTP_PORT_NUMBER"
                                                    << "00021";
        // Numbers past the range of long stop at its limit, never wrap.
        QTest::newRow("port past int") << QByteArray("SERVER_PORT_NUMBER=2147483648\r\n") << "SERVER_PORT_NUMBER"
                                       << "2147483648";
        QTest::newRow("port one past the largest") << QByteArray("FTP_PORT_NUMBER=9223372036854775808\r\n")
                                                   << "FTP_PORT_NUMBER" << "9223372036854775807";
        QTest::newRow("negative port of twenty digits") << QByteArray("SERVER_PORT_NUMBER=-99999999999999999999\r\n")
                                                        << "SERVER_PORT_NUMBER" << "-9223372036854775808";
        QTest::newRow("one below the smallest") << QByteArray("SERVER_PORT_NUMBER=-9223372036854775809\r\n")
                                                << "SERVER_PORT_NUMBER" << "-9223372036854775808";
        QTest::newRow("AUTO_INDENT y is off") << QByteArray("AUTO_INDENT=y\r\n") << "AUTO_INDENT" << "N";
        QTest::newRow("RUN_IN_DOS_WINDOW written as Y or N") << QByteArray("RUN_IN_DOS_WINDOW=yes\r\n")
                                                             << "RUN_IN_DOS_WINDOW" << "N";
    }

    void parse()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        CSettings s;
        CConfigFile::parse(file, s);
        QTEST(s.fileValue(key), "expected");
    }

    // TAB_SIZE and INDENT_SIZE count columns from 0 to 100, whatever the file holds.
    void sizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << " 8" << 8;
        QTest::newRow("none") << "tab" << 0;
        QTest::newRow("negative") << "-4" << 0;
        QTest::newRow("largest the sheet takes") << "100" << 100;
        QTest::newRow("above") << "101" << 100;
        QTest::newRow("twenty digits") << "99999999999999999999" << 100;
        QTest::newRow("twenty digits, negative") << "-99999999999999999999" << 0;
    }
    void sizes()
    {
        QFETCH(QString, text);
        CSettings s;
        s.TAB_SIZE = text;
        s.INDENT_SIZE = text;
        QTEST(s.tabSize(), "expected");
        QTEST(s.indentSize(), "expected");
        QCOMPARE(s.fileValue(QStringLiteral("TAB_SIZE")), text);   // the file keeps what it held
    }

    void formatWritesThirtyLinesInOrder()
    {
        CSettings s;
        CConfigFile::parse("BOGUS=1\r\nSERVER_HOST=h\r\nLOCAL_PERL_EXE=/usr/bin/perl\r\nAUTO_INDENT=Y\r\n", s);
        const QList<QByteArray> lines = CConfigFile::format(s).split('\n');
        QCOMPARE(lines.size(), 31);   // 30 lines, each ending in CR LF
        QCOMPARE(lines[0], QByteArray("LOCAL_PERL_EXE=/usr/bin/perl\r"));
        QCOMPARE(lines[6], QByteArray("FTP_PORT_NUMBER=00000\r"));
        QCOMPARE(lines[15], QByteArray("AUTO_INDENT=Y\r"));
        QCOMPARE(lines[27], QByteArray("SERVER_HOST=h\r"));
        QCOMPARE(lines[29], QByteArray("SERVER_CLIENT_EXEPATH=\r"));
    }

    // Every value, unknown ones included, comes back as written; reading
    // resets the working directory; the file is private.
    void writeThenRead()
    {
        CTestEnvironment env;
        CTestEnvironment::writeFile(env.app().configPath(), "SERVER_PASS=old\r\n");
        ::chmod(QFile::encodeName(env.app().configPath()).constData(), 0644);
        CSettings s;
        for (const QString &key : CSettings::keys())
            s.setFromFile(key, key.toLower() + QStringLiteral(" = x"));
        s.FTP_PORT_NUMBER = 21;
        s.SERVER_PORT_NUMBER = 2323;
        s.AUTO_INDENT = 1;
        s.RUN_IN_DOS_WINDOW = QStringLiteral("Y");
        s.VIEW_FONT = QStringLiteral("-15,0,0,0,700,1,0,0,0,3,2,1,49,DejaVu Sans Mono");
        QVERIFY(env.app().WriteConfiguration(s));
        env.app().setWorkingDirectory(QStringLiteral("/elsewhere"));
        QVERIFY(env.app().ReadConfiguration());
        QCOMPARE(env.app().settings(), s);
        QCOMPARE(env.app().workingDirectory(), QStringLiteral("local_directory = x"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(env.app().configPath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);

        QFile::remove(env.app().configPath());
        QVERIFY(!env.app().ReadConfiguration());   // a missing file changes nothing
        QCOMPARE(env.app().settings(), s);
    }

    void viewFont_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("face");   // null: not a font
        QTest::newRow("plain") << "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New" << "Courier New";
        QTest::newRow("digit cuts the face") << "-16,0,0,0,700,0,0,0,0,0,0,0,1,Font9 Bold" << "Font";
        QTest::newRow("twelve integers") << "12,0,0,0,0,0,0,0,0,0,0,0,Mono" << QString();
    }

    void viewFont()
    {
        QFETCH(QString, text);
        QFETCH(QString, face);
        const std::optional<CViewFont> f = CViewFont::parse(text);
        QCOMPARE(f.has_value(), !face.isNull());
        if (!f)
            return;
        QCOMPARE(f->faceName, face);
        // Fields a QFont has no use for come back as they were.
        QCOMPARE(CViewFont::fromFont(f->toFont(), *f).format(), f->format());
        QCOMPARE(f->toFont().pixelSize(), -f->height);
    }

    void transferTypeFollowsTheExactEnding()
    {
        QCOMPARE(COstrakApp::GetFtpTransferType("script.pl"), COstrakApp::FtpAscii);
        QCOMPARE(COstrakApp::GetFtpTransferType(".pl"), COstrakApp::FtpAscii);
        QCOMPARE(COstrakApp::GetFtpTransferType("SCRIPT.PL"), COstrakApp::FtpBinary);
        QCOMPARE(COstrakApp::GetFtpTransferType("main.h"), COstrakApp::FtpBinary);
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
