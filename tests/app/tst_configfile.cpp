#include "CTestEnvironment.h"

#include "app/CConfigFile.h"
#include "app/COstrakApp.h"
#include "app/CViewFont.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void formatWritesThirtyLinesInOrder();
    void formatPortsAndFlags_data();
    void formatPortsAndFlags();
    void writeThenReadKeepsEveryValue();
    void writeIsPrivate();
    void writeIntoReadOnlyFolderKeepsOldFile();
    void readMissingFileChangesNothing();
    void viewFont_data();
    void viewFont();
    void viewFontSurvivesWriteAndRead();
};

// Each row: the file's bytes, the key to look at, the value expected in the record.
void TestConfigFile::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("space after = is kept") << QByteArray("TAB_SIZE= 4\r\n") << "TAB_SIZE" << " 4";
    QTest::newRow("space before = makes an unknown key") << QByteArray("TAB_SIZE =4\r\n") << "TAB_SIZE" << "";
    QTest::newRow("lower-case key ignored") << QByteArray("tab_size=4\r\n") << "TAB_SIZE" << "";
    QTest::newRow("only the first = splits")
        << QByteArray("LOCAL_PERL_PRM=-Mstrict -e x=1\r\n") << "LOCAL_PERL_PRM" << "-Mstrict -e x=1";
    QTest::newRow("empty value") << QByteArray("SERVER_HOST=a\r\nSERVER_HOST=\r\n") << "SERVER_HOST" << "";
    QTest::newRow("trailing blanks kept") << QByteArray("SERVER_USER=bob  \r\n") << "SERVER_USER" << "bob  ";
    QTest::newRow("last duplicate wins")
        << QByteArray("SERVER_HOST=first\r\nSERVER_HOST=second\r\n") << "SERVER_HOST" << "second";
    QTest::newRow("no line end after the last line") << QByteArray("SERVER_HOST=last") << "SERVER_HOST" << "last";
    QTest::newRow("bare LF ends a line")
        << QByteArray("SERVER_USER=u\nSERVER_HOST=h\n") << "SERVER_HOST" << "h";
    QTest::newRow("CR LF does not leave a CR behind")
        << QByteArray("SERVER_HOST=h\r\nSERVER_USER=u\r\n") << "SERVER_HOST" << "h";
    QTest::newRow("lone CR stays in the value") << QByteArray("SERVER_HOST=a\rb\n") << "SERVER_HOST" << "a\rb";
    QTest::newRow("line without = ignored")
        << QByteArray("garbage\r\nSERVER_HOST=h\r\n") << "SERVER_HOST" << "h";
    QTest::newRow("UTF-8 value") << QByteArray("LOCAL_DIRECTORY=/home/j\xc3\xb6rg\n") << "LOCAL_DIRECTORY"
                                 << QString::fromUtf8("/home/j\xc3\xb6rg");
    QTest::newRow("port with zeros") << QByteArray("FTP_PORT_NUMBER=00021\r\n") << "FTP_PORT_NUMBER" << "00021";
    QTest::newRow("port without digits") << QByteArray("FTP_PORT_NUMBER=abc\r\n") << "FTP_PORT_NUMBER" << "00000";
    QTest::newRow("port empty") << QByteArray("SERVER_PORT_NUMBER=\r\n") << "SERVER_PORT_NUMBER" << "00000";
    QTest::newRow("port with leading blanks and junk after")
        << QByteArray("SERVER_PORT_NUMBER=  2323xyz\r\n") << "SERVER_PORT_NUMBER" << "02323";
    QTest::newRow("port of more than five digits")
        << QByteArray("SERVER_PORT_NUMBER=1234567\r\n") << "SERVER_PORT_NUMBER" << "1234567";
    QTest::newRow("AUTO_INDENT Y") << QByteArray("AUTO_INDENT=Y\r\n") << "AUTO_INDENT" << "Y";
    QTest::newRow("AUTO_INDENT y is off") << QByteArray("AUTO_INDENT=y\r\n") << "AUTO_INDENT" << "N";
    QTest::newRow("AUTO_INDENT Yes is off") << QByteArray("AUTO_INDENT=Yes\r\n") << "AUTO_INDENT" << "N";
    QTest::newRow("RUN_IN_DOS_WINDOW stored as read")
        << QByteArray("RUN_IN_DOS_WINDOW=yes\r\n") << "RUN_IN_DOS_WINDOW" << "N";
}

void TestConfigFile::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    CSettings s;
    CConfigFile::parse(file, s);
    QCOMPARE(s.fileValue(key), expected);
}

void TestConfigFile::formatWritesThirtyLinesInOrder()
{
    CSettings s;
    CConfigFile::parse("BOGUS=1\r\nSERVER_HOST=h\r\nLOCAL_PERL_EXE=/usr/bin/perl\r\n", s);
    const QByteArray out = CConfigFile::format(s);
    QVERIFY(out.endsWith("\r\n"));
    const QList<QByteArray> lines = out.chopped(2).split('\n');
    QCOMPARE(lines.size(), 30);
    const QStringList keys = CSettings::keys();
    QCOMPARE(keys.size(), 30);
    for (int i = 0; i < 30; ++i) {
        QVERIFY2(lines[i].endsWith('\r') || i == 29, lines[i].constData());
        QVERIFY2(lines[i].startsWith(keys[i].toUtf8() + '='), lines[i].constData());
    }
    QCOMPARE(lines[0], QByteArray("LOCAL_PERL_EXE=/usr/bin/perl\r"));
    QCOMPARE(lines[27], QByteArray("SERVER_HOST=h\r"));
    QCOMPARE(keys.first(), QStringLiteral("LOCAL_PERL_EXE"));
    QCOMPARE(keys.last(), QStringLiteral("SERVER_CLIENT_EXEPATH"));
    QVERIFY(!out.contains("BOGUS"));
}

void TestConfigFile::formatPortsAndFlags_data()
{
    QTest::addColumn<long>("port");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("21") << 21L << QByteArray("FTP_PORT_NUMBER=00021\r\n");
    QTest::newRow("0") << 0L << QByteArray("FTP_PORT_NUMBER=00000\r\n");
    QTest::newRow("65535") << 65535L << QByteArray("FTP_PORT_NUMBER=65535\r\n");
    QTest::newRow("six digits") << 123456L << QByteArray("FTP_PORT_NUMBER=123456\r\n");
}

void TestConfigFile::formatPortsAndFlags()
{
    QFETCH(long, port);
    QFETCH(QByteArray, written);
    CSettings s;
    s.FTP_PORT_NUMBER = port;
    s.RUN_IN_DOS_WINDOW = QStringLiteral("Y");
    const QByteArray out = CConfigFile::format(s);
    QVERIFY(out.contains(written));
    QVERIFY(out.contains("\r\nRUN_IN_DOS_WINDOW=Y\r\n"));
    QVERIFY(out.contains("\r\nAUTO_INDENT=N\r\n"));
}

void TestConfigFile::writeThenReadKeepsEveryValue()
{
    CTestEnvironment env;
    CSettings s;
    const QStringList keys = CSettings::keys();
    for (const QString &key : keys)
        s.setFromFile(key, key.toLower() + QStringLiteral(" = x"));
    s.FTP_PORT_NUMBER = 21;
    s.SERVER_PORT_NUMBER = 2323;
    s.AUTO_INDENT = 1;
    s.RUN_IN_DOS_WINDOW = QStringLiteral("Y");
    QVERIFY(env.app().WriteConfiguration(s));
    QVERIFY(env.app().ReadConfiguration());
    QCOMPARE(env.app().settings(), s);
    QCOMPARE(env.app().workingDirectory(), QStringLiteral("local_directory = x"));
}

void TestConfigFile::writeIsPrivate()
{
    CTestEnvironment env;
    CTestEnvironment::writeFile(env.app().configPath(), "SERVER_PASS=old\r\n");
    ::chmod(QFile::encodeName(env.app().configPath()).constData(), 0644);
    QVERIFY(env.app().WriteConfiguration(CSettings()));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(env.app().configPath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
}

void TestConfigFile::writeIntoReadOnlyFolderKeepsOldFile()
{
    CTestEnvironment env;
    const QByteArray old = "SERVER_HOST=kept\r\n";
    CTestEnvironment::writeFile(env.app().configPath(), old);
    env.makeReadOnlyFolder(env.programDir());
    CSettings s;
    s.SERVER_HOST = QStringLiteral("new");
    const QString path = env.app().configPath();
    const int written = CTestEnvironment::runUnprivileged([&] { return CConfigFile::write(path, s) ? 1 : 0; });
    ::chmod(QFile::encodeName(env.programDir()).constData(), 0700);
    QCOMPARE(written, 0);
    QCOMPARE(CTestEnvironment::readFile(path), old);
    QCOMPARE(QDir(env.programDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"Ostrak.cfg"});
}

void TestConfigFile::readMissingFileChangesNothing()
{
    CTestEnvironment env;
    env.app().setWorkingDirectory(QStringLiteral("/somewhere"));
    QVERIFY(!env.app().ReadConfiguration());
    QCOMPARE(env.app().settings(), CSettings());
    QCOMPARE(env.app().workingDirectory(), QStringLiteral("/somewhere"));
    QVERIFY(!env.app().settings().tabExpand());
    QCOMPARE(env.app().settings().tabSize(), 0);
}

void TestConfigFile::viewFont_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("face");
    QTest::addColumn<long>("height");
    QTest::addColumn<long>("weight");

    QTest::newRow("plain") << "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New" << true << "Courier New" << -13L << 400L;
    QTest::newRow("digit cuts the face") << "-16,0,0,0,700,0,0,0,0,0,0,0,1,Font9 Bold" << true << "Font" << -16L
                                         << 700L;
    QTest::newRow("hyphen cuts the face") << "12,0,0,0,0,1,0,0,0,0,0,0,1,Noto-Mono" << true << "Noto" << 12L << 0L;
    QTest::newRow("empty face") << "12,0,0,0,0,0,0,0,0,0,0,0,1," << true << "" << 12L << 0L;
    QTest::newRow("twelve integers") << "12,0,0,0,0,0,0,0,0,0,0,0,Mono" << false << "" << 0L << 0L;
    QTest::newRow("blank after comma is skipped by %ld")
        << "-13, 0,0,0,400,0,0,0,0,3,2,1,49,Mono" << true << "Mono" << -13L << 400L;
    QTest::newRow("empty") << "" << false << "" << 0L << 0L;
    QTest::newRow("words") << "Courier New" << false << "" << 0L << 0L;
}

void TestConfigFile::viewFont()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, face);
    QFETCH(long, height);
    QFETCH(long, weight);
    const std::optional<CViewFont> f = CViewFont::parse(text);
    QCOMPARE(f.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(f->faceName, face);
    QCOMPARE(f->height, height);
    QCOMPARE(f->weight, weight);
}

void TestConfigFile::viewFontSurvivesWriteAndRead()
{
    CTestEnvironment env;
    const QString text = QStringLiteral("-15,0,0,0,700,1,0,0,0,3,2,1,49,DejaVu Sans Mono");
    CSettings s;
    s.VIEW_FONT = text;
    QVERIFY(env.app().WriteConfiguration(s));
    QVERIFY(env.app().ReadConfiguration());
    QCOMPARE(env.app().settings().VIEW_FONT, text);
    const std::optional<CViewFont> f = CViewFont::parse(env.app().settings().VIEW_FONT);
    QVERIFY(f);
    QCOMPARE(f->format(), text);
    const QFont font = f->toFont();
    QCOMPARE(font.pixelSize(), 15);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(font.italic());
    // Fields a QFont has no use for come back as they were.
    QCOMPARE(CViewFont::fromFont(font, *f).format(), text);
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
