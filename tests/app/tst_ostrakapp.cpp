#include "CTestEnvironment.h"

#include "app/COstrakApp.h"

#include <QTest>

class TestOstrakApp : public QObject
{
    Q_OBJECT

private slots:
    void transferType_data();
    void transferType();
    void readSetsWorkingDirectory();
    void fileExists();
};

void TestOstrakApp::transferType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    const int ascii = COstrakApp::FtpAscii;
    const int binary = COstrakApp::FtpBinary;
    QTest::newRow(".pl") << "script.pl" << ascii;
    QTest::newRow(".PL is binary") << "SCRIPT.PL" << binary;
    QTest::newRow(".java") << "Main.java" << ascii;
    QTest::newRow(".Java is binary") << "Main.Java" << binary;
    QTest::newRow(".cgi") << "form.cgi" << ascii;
    QTest::newRow(".txt") << "notes.txt" << ascii;
    QTest::newRow(".cpp") << "a.cpp" << ascii;
    QTest::newRow(".htm") << "index.htm" << ascii;
    QTest::newRow(".html") << "index.html" << ascii;
    QTest::newRow(".conf") << "httpd.conf" << ascii;
    QTest::newRow(".c") << "main.c" << ascii;
    QTest::newRow(".h is binary") << "main.h" << binary;
    QTest::newRow("no extension") << "Makefile" << binary;
    QTest::newRow("image") << "logo.gif" << binary;
    QTest::newRow("ending only") << ".pl" << ascii;
    QTest::newRow("empty") << "" << binary;
    QTest::newRow("pl without dot") << "perl" << binary;
}

void TestOstrakApp::transferType()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QCOMPARE(static_cast<int>(COstrakApp::GetFtpTransferType(name)), type);
}

void TestOstrakApp::readSetsWorkingDirectory()
{
    CTestEnvironment env;
    env.writeConfig({"LOCAL_DIRECTORY=/tmp/scripts", "TAB_SIZE=4"});
    QCOMPARE(env.app().workingDirectory(), QStringLiteral("/tmp/scripts"));
    env.app().setWorkingDirectory(QStringLiteral("/elsewhere"));
    QVERIFY(env.app().ReadConfiguration());
    QCOMPARE(env.app().workingDirectory(), QStringLiteral("/tmp/scripts"));
    QCOMPARE(env.app().settings().tabSize(), 4);
}

void TestOstrakApp::fileExists()
{
    CTestEnvironment env;
    QVERIFY(COstrakApp::FileExists(env.programDir()));
    QVERIFY(!COstrakApp::FileExists(env.path("none")));
    CTestEnvironment::writeFile(env.path("f"), "x");
    QVERIFY(COstrakApp::FileExists(env.path("f")));
    QVERIFY(!COstrakApp::FileExists(QString()));
}

QTEST_GUILESS_MAIN(TestOstrakApp)
#include "tst_ostrakapp.moc"
