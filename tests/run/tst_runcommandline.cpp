#include "app/CSettings.h"
#include "run/CRunCommandLine.h"
#include "run/CScriptInput.h"

#include <QTest>

class tst_RunCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void splitArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("blanks only") << "  \t " << QStringList{};
        QTest::newRow("several blanks between") << " -w   -T " << QStringList{"-w", "-T"};
        QTest::newRow("single quotes keep blanks") << "-I'/a b/lib'" << QStringList{"-I/a b/lib"};
        QTest::newRow("single quotes keep backslash") << "'a\\b'" << QStringList{"a\\b"};
        QTest::newRow("double quotes") << "-D\"x y\" z" << QStringList{"-Dx y", "z"};
        QTest::newRow("escaped quote in double") << "\"say \\\"hi\\\"\"" << QStringList{"say \"hi\""};
        QTest::newRow("other backslash in double stays") << "\"a\\n\"" << QStringList{"a\\n"};
        QTest::newRow("backslash blank") << "a\\ b" << QStringList{"a b"};
        QTest::newRow("empty quoted word") << "'' x" << QStringList{"", "x"};
        QTest::newRow("adjacent quotes join") << "'a'\"b\"c" << QStringList{"abc"};
        QTest::newRow("no expansion") << "$HOME;rm -rf *" << QStringList{"$HOME;rm", "-rf", "*"};
        QTest::newRow("unterminated quote runs to end") << "'a b" << QStringList{"a b"};
        QTest::newRow("trailing backslash dropped") << "a\\" << QStringList{"a"};
    }

    void splitArguments()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(CRunCommandLine::splitArguments(text), words);
    }

    void commandLines_data()
    {
        QTest::addColumn<bool>("console");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("folder");
        const QString pl = "/home/u/my dir/a;b $(x).pl";
        const QString perl = "/usr/bin/perl";
        const QString korbu = "/opt/ostrak/korbu";
        const QString marker = "Halden+Ostrak+";
        QTest::newRow("run perl: no parameters, path one argument")
            << false << int(CRunCommandLine::Run) << pl << perl << QStringList{pl} << perl + " " + pl
            << "/home/u/my dir";
        QTest::newRow("run java: class name")
            << false << int(CRunCommandLine::Run) << "/src/Hello.java" << "/usr/bin/java"
            << QStringList{"-cp", ".", "-Dname=a b", "Hello"} << "/usr/bin/java -cp . -Dname=\"a b\" Hello" << "/src";
        QTest::newRow("debug java uses perl")
            << false << int(CRunCommandLine::Debug) << "/src/Hello.java" << perl << QStringList{"-d", "/src/Hello.java"}
            << perl + " -d /src/Hello.java" << "/src";
        QTest::newRow("perl in a .java folder") << false << int(CRunCommandLine::Run) << "/x.java/t.pl" << perl
                                                << QStringList{"/x.java/t.pl"} << perl + " /x.java/t.pl" << "/x.java";
        QTest::newRow("upper-case .JAVA is perl") << false << int(CRunCommandLine::Run) << "/s/A.JAVA" << perl
                                                  << QStringList{"/s/A.JAVA"} << perl + " /s/A.JAVA" << "/s";
        QTest::newRow("no path") << false << int(CRunCommandLine::Run) << "" << perl << QStringList{""} << perl + " "
                                 << "";
        QTest::newRow("console run: perl parameters split")
            << true << int(CRunCommandLine::Run) << "/d/x y.pl" << korbu
            << QStringList{marker, perl, "-w", "-I/opt/my lib", "/d/x y.pl"}
            << "korbu Halden+Ostrak+ /usr/bin/perl -w -I'/opt/my lib' /d/x y.pl" << "/d";
        QTest::newRow("console run of java uses perl")
            << true << int(CRunCommandLine::Run) << "/d/Hello.java" << korbu
            << QStringList{marker, perl, "-w", "-I/opt/my lib", "/d/Hello.java"}
            << "korbu Halden+Ostrak+ /usr/bin/perl -w -I'/opt/my lib' /d/Hello.java" << "/d";
        QTest::newRow("console debug: no parameters")
            << true << int(CRunCommandLine::Debug) << "/d/x.pl" << korbu << QStringList{marker, perl, "-d", "/d/x.pl"}
            << "korbu Halden+Ostrak+ /usr/bin/perl -d /d/x.pl" << "/d";
    }

    void commandLines()
    {
        QFETCH(bool, console);
        QFETCH(int, command);
        QFETCH(QString, path);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(QString, folder);
        CSettings s;
        s.LOCAL_PERL_EXE = "/usr/bin/perl";
        s.LOCAL_PERL_PRM = "-w -I'/opt/my lib'";
        s.LOCAL_JAVA_EXE = "/usr/bin/java";
        s.LOCAL_JAVA_PRM = "-cp . -Dname=\"a b\"";
        s.LOCAL_JAVAC_EXE = "/usr/bin/javac";
        s.LOCAL_JAVAC_PRM = "-g";
        const auto c = static_cast<CRunCommandLine::Command>(command);
        const CCommandSpec result = console ? CRunCommandLine::console(c, s, path, "/opt/ostrak/korbu")
                                          : CRunCommandLine::piped(c, s, path, path.section('/', -1));
        QCOMPARE(result.program, program);
        QCOMPARE(result.arguments, arguments);
        QCOMPARE(result.displayLine, display);
        QCOMPARE(result.workingDirectory, folder);
    }

    void stdinRules_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<bool>("closes");
        QTest::newRow("POST") << "POST" << true << true;
        QTest::newRow("GET") << "GET" << false << true;
        QTest::newRow("empty") << "" << true << false;
        QTest::newRow("other") << "PUT" << false << false;
        QTest::newRow("lower case post is other") << "post" << false << false;
        QTest::newRow("blanks around POST") << "  POST " << true << true;
    }

    void stdinRules()
    {
        QFETCH(QString, method);
        QFETCH(bool, writes);
        QFETCH(bool, closes);
        CScriptInput input;
        input.setRequestMethod(method);
        QCOMPARE(input.runWritesInput(), writes);
        QCOMPARE(input.runClosesInput(), closes);
    }
};

QTEST_GUILESS_MAIN(tst_RunCommandLine)
#include "tst_runcommandline.moc"
