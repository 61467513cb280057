#include "app/CSettings.h"
#include "run/CRunCommandLine.h"
#include "run/CScriptInput.h"

#include <QTest>

class tst_RunCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void splitArguments_data();
    void splitArguments();
    void javaDetection_data();
    void javaDetection();
    void piped_data();
    void piped();
    void console_data();
    void console();
    void stdinRules_data();
    void stdinRules();
    void requestMethodTrimmedAndLimited_data();
    void requestMethodTrimmedAndLimited();
    void inputLimited();
};

void tst_RunCommandLine::splitArguments_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("blanks only") << "  \t " << QStringList{};
    QTest::newRow("one word") << "-w" << QStringList{"-w"};
    QTest::newRow("several blanks between") << " -w   -T " << QStringList{"-w", "-T"};
    QTest::newRow("single quotes keep blanks") << "-I'/a b/lib'" << QStringList{"-I/a b/lib"};
    QTest::newRow("single quotes keep backslash") << R"('a\b')" << QStringList{R"(a\b)"};
    QTest::newRow("double quotes") << R"(-D"x y" z)" << QStringList{"-Dx y", "z"};
    QTest::newRow("escaped quote in double") << R"("say \"hi\"")" << QStringList{R"(say "hi")"};
    QTest::newRow("other backslash in double stays") << R"("a\n")" << QStringList{R"(a\n)"};
    QTest::newRow("backslash blank") << R"(a\ b)" << QStringList{"a b"};
    QTest::newRow("empty quoted word") << "'' x" << QStringList{"", "x"};
    QTest::newRow("adjacent quotes join") << R"('a'"b"c)" << QStringList{"abc"};
    QTest::newRow("no expansion") << "$HOME;rm -rf *" << QStringList{"$HOME;rm", "-rf", "*"};
    QTest::newRow("unterminated quote runs to end") << "'a b" << QStringList{"a b"};
    QTest::newRow("trailing backslash dropped") << "a\\" << QStringList{"a"};
}

void tst_RunCommandLine::splitArguments()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(CRunCommandLine::splitArguments(text), words);
}

void tst_RunCommandLine::javaDetection_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("java");
    QTest::newRow("java source") << "/src/Hello.java" << true;
    QTest::newRow("perl script") << "/src/hello.pl" << false;
    QTest::newRow("folder named .java") << "/work/x.java/hello.pl" << false;
    QTest::newRow("upper case ending") << "/src/Hello.JAVA" << false;
    QTest::newRow("ending only") << ".java" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_RunCommandLine::javaDetection()
{
    QFETCH(QString, path);
    QFETCH(bool, java);
    QCOMPARE(CRunCommandLine::isJava(path), java);
}

namespace {

CSettings settings()
{
    CSettings s;
    s.LOCAL_PERL_EXE = "/usr/bin/perl";
    s.LOCAL_PERL_PRM = "-w -I'/opt/my lib'";
    s.LOCAL_JAVA_EXE = "/usr/bin/java";
    s.LOCAL_JAVA_PRM = "-cp . -Dname=\"a b\"";
    s.LOCAL_JAVAC_EXE = "/usr/bin/javac";
    s.LOCAL_JAVAC_PRM = "-g";
    return s;
}

} // namespace

void tst_RunCommandLine::piped_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("folder");

    const QString pl = "/home/u/my dir/a;b $(x).pl";
    QTest::newRow("run perl: no parameters, path one argument")
        << int(CRunCommandLine::Run) << pl << "/usr/bin/perl" << QStringList{pl} << "/usr/bin/perl " + pl
        << "/home/u/my dir";
    QTest::newRow("compile perl")
        << int(CRunCommandLine::Compile) << pl << "/usr/bin/perl" << QStringList{"-c", pl}
        << "/usr/bin/perl -c " + pl << "/home/u/my dir";
    QTest::newRow("debug perl")
        << int(CRunCommandLine::Debug) << pl << "/usr/bin/perl" << QStringList{"-d", pl}
        << "/usr/bin/perl -d " + pl << "/home/u/my dir";
    QTest::newRow("run java: class name")
        << int(CRunCommandLine::Run) << "/src/Hello.java" << "/usr/bin/java"
        << QStringList{"-cp", ".", "-Dname=a b", "Hello"} << "/usr/bin/java -cp . -Dname=\"a b\" Hello"
        << "/src";
    QTest::newRow("compile java")
        << int(CRunCommandLine::Compile) << "/src/Hello.java" << "/usr/bin/javac"
        << QStringList{"-g", "/src/Hello.java"} << "/usr/bin/javac -g /src/Hello.java" << "/src";
    QTest::newRow("debug java uses perl")
        << int(CRunCommandLine::Debug) << "/src/Hello.java" << "/usr/bin/perl"
        << QStringList{"-d", "/src/Hello.java"} << "/usr/bin/perl -d /src/Hello.java" << "/src";
    QTest::newRow("perl in a .java folder")
        << int(CRunCommandLine::Run) << "/x.java/t.pl" << "/usr/bin/perl" << QStringList{"/x.java/t.pl"}
        << "/usr/bin/perl /x.java/t.pl" << "/x.java";
    QTest::newRow("no path")
        << int(CRunCommandLine::Run) << "" << "/usr/bin/perl" << QStringList{""} << "/usr/bin/perl " << "";
}

void tst_RunCommandLine::piped()
{
    QFETCH(int, command);
    QFETCH(QString, path);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(QString, folder);
    const QString title = path.section('/', -1);
    const CCommandSpec spec =
        CRunCommandLine::piped(static_cast<CRunCommandLine::Command>(command), settings(), path, title);
    QCOMPARE(spec.program, program);
    QCOMPARE(spec.arguments, arguments);
    QCOMPARE(spec.displayLine, display);
    QCOMPARE(spec.workingDirectory, folder);
}

void tst_RunCommandLine::console_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");

    QTest::newRow("run: perl parameters split")
        << int(CRunCommandLine::Run) << "/d/x y.pl"
        << QStringList{"Halden+Ostrak+", "/usr/bin/perl", "-w", "-I/opt/my lib", "/d/x y.pl"}
        << "korbu Halden+Ostrak+ /usr/bin/perl -w -I'/opt/my lib' /d/x y.pl";
    QTest::newRow("run java document uses perl")
        << int(CRunCommandLine::Run) << "/d/Hello.java"
        << QStringList{"Halden+Ostrak+", "/usr/bin/perl", "-w", "-I/opt/my lib", "/d/Hello.java"}
        << "korbu Halden+Ostrak+ /usr/bin/perl -w -I'/opt/my lib' /d/Hello.java";
    QTest::newRow("debug: no parameters")
        << int(CRunCommandLine::Debug) << "/d/x.pl"
        << QStringList{"Halden+Ostrak+", "/usr/bin/perl", "-d", "/d/x.pl"}
        << "korbu Halden+Ostrak+ /usr/bin/perl -d /d/x.pl";
}

void tst_RunCommandLine::console()
{
    QFETCH(int, command);
    QFETCH(QString, path);
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    const CCommandSpec spec = CRunCommandLine::console(static_cast<CRunCommandLine::Command>(command), settings(),
                                                       path, "/opt/ostrak/korbu");
    QCOMPARE(spec.program, QStringLiteral("/opt/ostrak/korbu"));
    QCOMPARE(spec.arguments, arguments);
    QCOMPARE(spec.displayLine, display);
    QCOMPARE(spec.workingDirectory, QStringLiteral("/d"));
}

void tst_RunCommandLine::stdinRules_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("writes");
    QTest::addColumn<bool>("closes");
    QTest::newRow("POST") << "POST" << true << true;
    QTest::newRow("GET") << "GET" << false << true;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("other") << "PUT" << false << false;
    QTest::newRow("lower case post is other") << "post" << false << false;
}

void tst_RunCommandLine::stdinRules()
{
    QFETCH(QString, method);
    QFETCH(bool, writes);
    QFETCH(bool, closes);
    CScriptInput input;
    input.setRequestMethod(method);
    QCOMPARE(input.runWritesInput(), writes);
    QCOMPARE(input.runClosesInput(), closes);
}

void tst_RunCommandLine::requestMethodTrimmedAndLimited_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks around") << "  POST  " << "POST";
    QTest::newRow("blanks only") << "   " << "";
    QTest::newRow("eleven characters") << "ABCDEFGHIJK" << "ABCDEFGHIJ";
}

void tst_RunCommandLine::requestMethodTrimmedAndLimited()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    CScriptInput input;
    input.setRequestMethod(typed);
    QCOMPARE(input.requestMethod(), stored);
}

void tst_RunCommandLine::inputLimited()
{
    CScriptInput input;
    input.setInput(QString(4001, 'x'));
    QCOMPARE(input.input().size(), 4000);
    input.setInput(QString::fromUtf8("a\nb\xc3\xa9"));
    QCOMPARE(input.inputBytes(), QByteArray("a\nb\xc3\xa9"));
}

QTEST_GUILESS_MAIN(tst_RunCommandLine)
#include "tst_runcommandline.moc"
