#include "app/CSettings.h"
#include "run/CErrorLineParser.h"
#include "run/COutputBuffer.h"
#include "run/CRunCommandLine.h"

#include <QtTest>

#include <atomic>
#include <thread>

Q_DECLARE_METATYPE(QList<CErrorLink>)

namespace {

// Blanks, "at " and the characters patterns give meaning to, in folder and name.
const QString kFolder = QStringLiteral("/home/u/my at scripts (v2)+[x]");
const QString kName = QStringLiteral("a b.*?(1)$^.pl");
const QString kPath = kFolder + "/" + kName;

} // namespace

// The text of a run: its command line and input going in, its output and
// the error lines in it coming back.
class TestRunText : public QObject
{
    Q_OBJECT

private slots:
    void splitArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("single quotes keep blanks and backslash") << " -I'/a b\\c'  x" << QStringList{"-I/a b\\c", "x"};
        QTest::newRow("escapes in double quotes") << "\"say \\\"hi\\\" \\n\"" << QStringList{"say \"hi\" \\n"};
        QTest::newRow("backslash blank") << "a\\ b" << QStringList{"a b"};
        QTest::newRow("empty quoted word, adjacent quotes join") << "'' 'a'\"b\"c" << QStringList{"", "abc"};
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

    // Program, arguments, the line shown in messages and the folder of the run.
    void commandLines_data()
    {
        QTest::addColumn<bool>("console");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("line");   // program, arguments..., then the display line and the folder
        const QString pl = "/home/u/my dir/a;b $(x).pl";
        const QString perl = "/usr/bin/perl";
        const QString korbu = "/opt/ostrak/korbu";
        const QString marker = "Halden+Ostrak+";
        QTest::newRow("run perl: the path one argument")
            << false << int(CRunCommandLine::Run) << pl << QStringList{perl, pl, perl + " " + pl, "/home/u/my dir"};
        QTest::newRow("run java: class name") << false << int(CRunCommandLine::Run) << "/src/Hello.java"
            << QStringList{"/usr/bin/java", "-cp", ".", "-Dname=a b", "Hello",
                           "/usr/bin/java -cp . -Dname=\"a b\" Hello", "/src"};
        QTest::newRow("debug java uses perl") << false << int(CRunCommandLine::Debug) << "/src/Hello.java"
            << QStringList{perl, "-d", "/src/Hello.java", perl + " -d /src/Hello.java", "/src"};
        QTest::newRow("upper-case .JAVA is perl") << false << int(CRunCommandLine::Compile) << "/s/A.JAVA"
            << QStringList{perl, "-c", "/s/A.JAVA", perl + " -c /s/A.JAVA", "/s"};
        QTest::newRow("console run: perl parameters split") << true << int(CRunCommandLine::Run) << "/d/x y.pl"
            << QStringList{korbu, marker, perl, "-w", "-I/opt/my lib", "/d/x y.pl",
                           "korbu Halden+Ostrak+ /usr/bin/perl -w -I'/opt/my lib' /d/x y.pl", "/d"};
        QTest::newRow("console debug: no parameters") << true << int(CRunCommandLine::Debug) << "/d/x.pl"
            << QStringList{korbu, marker, perl, "-d", "/d/x.pl", "korbu Halden+Ostrak+ /usr/bin/perl -d /d/x.pl", "/d"};
    }

    void commandLines()
    {
        QFETCH(bool, console);
        QFETCH(int, command);
        QFETCH(QString, path);
        QFETCH(QStringList, line);
        CSettings s;
        s.LOCAL_PERL_EXE = "/usr/bin/perl";
        s.LOCAL_PERL_PRM = "-w -I'/opt/my lib'";
        s.LOCAL_JAVA_EXE = "/usr/bin/java";
        s.LOCAL_JAVA_PRM = "-cp . -Dname=\"a b\"";
        s.LOCAL_JAVAC_EXE = "/usr/bin/javac";
        s.LOCAL_JAVAC_PRM = "-g";
        const auto c = static_cast<CRunCommandLine::Command>(command);
        const CCommandSpec r = console ? CRunCommandLine::console(c, s, path, "/opt/ostrak/korbu")
                                       : CRunCommandLine::piped(c, s, path, path.section('/', -1));
        QCOMPARE(QStringList{r.program} + r.arguments << r.displayLine << r.workingDirectory, line);
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
        QTest::newRow("CR LF split, lone CR") << QByteArrayList{"a\r", "\nb\rc"} << "a\nb\nc";
        QTest::newRow("cr cr lf") << QByteArrayList{"a\r\r\nb"} << "a\n\nb";
        QTest::newRow("stray continuation bytes") << QByteArrayList{"a\x80\x80\x80\x80"} << QString::fromUtf8("a\x80\x80\x80\x80");
        QTest::newRow("zero byte cuts nothing") << QByteArrayList{QByteArray("a\0b", 3)} << QStringLiteral("a\u2400b");
        QTest::newRow("incomplete character at the end") << QByteArrayList{"ok\xe2\x82"} << QString::fromUtf8("ok\xe2\x82");
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

    // Text beyond the limit is dropped and never waits for room.
    void limitDropsWithoutWaiting()
    {
        COutputBuffer buffer;
        buffer.setLimit(10);
        QVERIFY(buffer.appendBytes("0123456"));
        QVERIFY(buffer.appendBytes("789abcdef"));
        buffer.setHighWater(1);
        QVERIFY(buffer.appendBytes("more"));
        QCOMPARE(buffer.dropped(), 6 + 4);
        QCOMPARE(buffer.accepted(), 10);
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

    void lineNumber_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected");
        QTest::addRow("perl, full path") << "Died at " + kPath + " line 7." << 7;
        QTest::addRow("perl, near") << "syntax error at " + kPath + " line 3, near \"+;\"" << 3;
        QTest::addRow("perl, STDIN line") << "Can't go at at " + kPath + " line 12, <STDIN> line 2." << 12;
        QTest::addRow("perl, bare name") << "Died at " + kName + " line 4." << 4;
        QTest::addRow("perl, relative path") << "Died at ./sub/../" + kName + " line 5." << 5;
        QTest::addRow("javac") << kPath + ":21: error: ';' expected" << 21;
        QTest::addRow("a module's line") << "Died at /usr/share/perl/5.36/Carp.pm line 5." << 0;
        QTest::addRow("same name, other folder") << "Died at /tmp/" + kName + " line 5." << 0;
        QTest::addRow("longer name, same ending") << "Died at " + kFolder + "/x" + kName + " line 5." << 0;
        QTest::addRow("no line number") << kPath + " syntax OK" << 0;
        QTest::addRow("nothing after the number") << "at " + kPath + " line 6" << 0;
        // Paths are compared as cleaned: "." and empty segments drop out, ".." drops one.
        QTest::addRow("dots and doubled slashes") << "at /home/x/../u/./my at scripts (v2)+[x]//" + kName + " line 8." << 8;
        QTest::addRow("relative, up to the root and back")
            << "at ../../../home/u/my at scripts (v2)+[x]/" + kName + " line 9." << 9;
        QTest::addRow("relative, one up too many") << "at ../../../../home/u/my at scripts (v2)+[x]/" + kName + " line 9."
                                                   << 0;
        QTest::addRow("above the root stays above") << "at /../home/u/my at scripts (v2)+[x]/" + kName + " line 9." << 0;
        QTest::addRow("a word dropped by ..") << "at " + kFolder + "/gone/../" + kName + " line 4." << 4;
        QTest::addRow("a word dropped, starting inside it") << "at gone/../" + kName + " line 4." << 4;
        QTest::addRow("two .. for one word") << "at gone/../../" + kName + " line 4." << 0;
        QTest::addRow("starting at ..") << "at ../" + kName + " line 4." << 0;
        QTest::addRow("a later mention counts") << "at " + kName + "x line 1. at " + kFolder + "/" + kName + " line 2." << 2;
        QTest::addRow("javac, relative") << "./" + kName + ":3: error" << 3;
        QTest::addRow("a path longer than the kernel opens")
            << "at /" + QString(CErrorLineParser::MaxPathLength, u'a') + "/../" + kPath.mid(1) + " line 4." << 0;
    }

    void lineNumber()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        QCOMPARE(CErrorLineParser(kPath).lineNumber(line), expected);
    }

    // Lines built to make a search go back over what it has read finish
    // quickly, with the right result.
    void lineNumberOnHostileLines_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("last");   // appended once
        QTest::addColumn<int>("expected");
        QTest::addRow("names repeated") << "at xtest.pl line 1. " << "" << 0;
        QTest::addRow("names repeated, then the script") << "at xtest.pl line 1. " << "at ../scripts/test.pl line 9." << 9;
        QTest::addRow("words dropped by ..") << "b/../test.pl line 1. " << "" << 0;
        QTest::addRow("javac form repeated") << "xtest.pl:1:" << "" << 0;
        QTest::addRow("slashes") << "at /home/user/scripts/ " << "at /home/user/scripts/test.pl line 3." << 3;
    }
    void lineNumberOnHostileLines()
    {
        QFETCH(QString, unit);
        QFETCH(QString, last);
        QString line;
        while (line.size() + unit.size() + last.size() <= CErrorLineParser::MaxLineLength)
            line += unit;
        line += last;
        QElapsedTimer timer;
        timer.start();
        QTEST(CErrorLineParser(QStringLiteral("/home/user/scripts/test.pl")).lineNumber(line), "expected");
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    }

    // Links per completed line, placed in the whole stream, across pieces.
    void feed_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QList<CErrorLink>>("expected");
        const qsizetype n = QString("x at " + kName + " line 3.").size();
        QTest::addRow("cut in the name and before the line end")
            << QStringList{"ok\nx at a b.*", "?(1)$^.pl line 3.", "\nplain\nx at " + kName + " line 3.\n"}
            << QList<CErrorLink>{{3, n, 3}, {3 + n + 7, n, 3}};
        QTest::addRow("unfinished or overlong lines") << QStringList{QString(CErrorLineParser::MaxLineLength, u'y'),
                                                                     "x at " + kName + " line 3.\nx at " + kName}
                                                      << QList<CErrorLink>{};
    }

    void feed()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QList<CErrorLink>, expected);
        CErrorLineParser parser(kPath);
        QList<CErrorLink> links;
        qsizetype position = 0;
        for (const QString &piece : pieces) {
            links += parser.feed(piece, position);
            position += piece.size();
        }
        QCOMPARE(links, expected);
    }
};

QTEST_GUILESS_MAIN(TestRunText)
#include "tst_runtext.moc"
