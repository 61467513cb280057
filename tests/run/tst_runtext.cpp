#include "app/CSettings.h"
#include "run/CCgiResponse.h"
#include "run/CErrorLineParser.h"
#include "run/COutputBuffer.h"
#include "run/CRunCommandLine.h"
#include "run/CScriptInput.h"
#include "run/CTerminalText.h"

#include <QtTest>

#include <atomic>
#include <thread>

Q_DECLARE_METATYPE(QList<CErrorLink>)

namespace {

// Blanks, "at " and the characters patterns give meaning to, in folder and name.
const QString kFolder = QStringLiteral("/home/u/my at scripts (v2)+[x]");
const QString kName = QStringLiteral("a b.*?(1)$^.pl");
const QString kPath = kFolder + "/" + kName;

// Runs as text, a styled run inside <foreground,background,flags>...</>.
QString render(const QList<CTextRun> &runs)
{
    QString out;
    for (const CTextRun &r : runs) {
        out += r.style.isPlain() ? r.text : QStringLiteral("<%1,%2,%3>").arg(r.style.foreground, 0, 16)
                                                .arg(r.style.background, 0, 16).arg(r.style.flags) + r.text + "</>";
    }
    return out;
}

// Completed lines | open line of a terminal.
QString screen(CTerminalText &t)
{
    return render(t.takeCommitted()) + "|" + render(t.openLine());
}

// Everything a batch brings, as a pane that showed nothing before would show it.
QString shown(const COutputBuffer::CBatch &batch)
{
    return render(batch.runs) + render(batch.openLine);
}

} // namespace

// The text of a run: its command line and input going in, its output and the error lines in it coming back.
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
        QTest::newRow("empty quoted word, adjacent quotes join") << "'' 'a'\"b\"c" << QStringList{"", "abc"};
        QTest::newRow("no expansion") << "$HOME;rm -rf *" << QStringList{"$HOME;rm", "-rf", "*"};
        QTest::newRow("unterminated quote runs to end") << "'a b" << QStringList{"a b"};
        QTest::newRow("trailing backslash dropped") << "a\\" << QStringList{"a"};
    }

    void splitArguments()
    {
        QFETCH(QString, text);
        QTEST(CRunCommandLine::splitArguments(text), "words");
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
        QTest::newRow("run java: class name") << false << int(CRunCommandLine::Run) << "/src/Hello.java" << QStringList{
            "/usr/bin/java", "-cp", ".", "-Dname=a b", "Hello", "/usr/bin/java -cp . -Dname=\"a b\" Hello", "/src"};
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
        CSettings s;
        s.LOCAL_PERL_EXE = "/usr/bin/perl", s.LOCAL_PERL_PRM = "-w -I'/opt/my lib'";
        s.LOCAL_JAVA_EXE = "/usr/bin/java", s.LOCAL_JAVA_PRM = "-cp . -Dname=\"a b\"";
        const auto c = static_cast<CRunCommandLine::Command>(command);
        const CCommandSpec r = console ? CRunCommandLine::console(c, s, path, "/opt/ostrak/korbu")
                                       : CRunCommandLine::piped(c, s, path, path.section('/', -1));
        QTEST(QStringList{r.program} + r.arguments << r.displayLine << r.workingDirectory, "line");
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
        QTest::newRow("CR LF split, lone CR overwrites") << QByteArrayList{"a\r", "\nbx\rc"} << "a\ncx";
        QTest::newRow("stray continuation bytes") << QByteArrayList{"a\x80\x80\x80\x80"} << QString::fromUtf8("a\x80\x80\x80\x80");
        QTest::newRow("zero byte cuts nothing") << QByteArrayList{QByteArray("a\0b", 3)} << QStringLiteral("a\u2400b");
        QTest::newRow("incomplete character at the end") << QByteArrayList{"ok\xe2\x82"} << QString::fromUtf8("ok\xe2\x82");
    }

    void decoding()
    {
        QFETCH(QByteArrayList, chunks);
        COutputBuffer buffer;
        for (const QByteArray &c : chunks)
            QVERIFY(buffer.appendBytes(c));
        buffer.finish();
        QTEST(shown(buffer.take(1000)), "expected");
        QVERIFY(buffer.isDrained());
    }

    // What a terminal shows, whatever the pieces the text comes in.
    void terminalText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");   // completed lines | open line
        QTest::newRow("SGR bold red, reset") << "a\e[1;31mred\e[0m b\n" << "a<1,-1,1>red</> b\n|";
        QTest::newRow("bright, 256, true colour, colon forms")
            << "\e[92mA\e[38;5;196mB\e[38:2::1:2:3mC\e[48;2;4;5;6;39mD\e[m\n"
            << "<a,-1,0>A</><c4,-1,0>B</><1010203,-1,0>C</><-1,1040506,0>D</>\n|";
        QTest::newRow("underline colour skipped, 4:0 ends it") << "\e[4;58;5;9mU\e[4:0mV\n" << "<-1,-1,8>U</>V\n|";
        QTest::newRow("debugger prompt") << "\e[4m  DB<1> \e[24m" << "|<-1,-1,8>  DB<1> </>";
        QTest::newRow("CR overwrites, erase to end") << "abcdef\rxy\n10%\r\e[Kdone\n" << "xycdef\ndone\n|";
        QTest::newRow("backspace") << "ab\bc\b\b\bd" << "|dc";
        QTest::newRow("erase whole line, cursor stays") << "abc\e[2Kd" << "|   d";
        QTest::newRow("cursor moves, delete, erase chars") << "abcdef\e[3G\e[2P\e[1C\e[X\e[10D!\e[3Cz" << "|!be z";
        QTest::newRow("bracketed paste and modes dropped") << "\e[?2004hprompt$ \e[?2004l\e=\e>" << "|prompt$ ";
        QTest::newRow("titles with BEL and ST") << "\e]0;title\atext\e]2;t\e\\ more" << "|text more";
        QTest::newRow("BEL, charsets, DCS, other controls, C1 CSI")
            << QString("a\a\e(B\ePq#0\e\\b\x01\x7f") + QChar(0x9b) + "31mc" << "|ab<1,-1,0>c</>";
        QTest::newRow("cancel ends a sequence") << "\e[12\x18x" << "|x";
        QTest::newRow("form feed and VT start lines, tab kept") << "a\fb\vc\td" << "a\nb\n|c\td";
    }

    void terminalText()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        CTerminalText whole;
        whole.feed(text);
        QCOMPARE(screen(whole), expected);
        // One character at a time cuts every sequence somewhere.
        CTerminalText cut;
        QList<CTextRun> committed;
        for (const QChar c : text) {
            cut.feed(QStringView(&c, 1));
            for (CTextRun &r : cut.takeCommitted()) {
                if (!committed.isEmpty() && committed.back().style == r.style)
                    committed.back().text += r.text;
                else
                    committed.append(r);
            }
        }
        QCOMPARE(render(committed) + "|" + render(cut.openLine()), expected);
    }

    // A line longer than the wrap column goes on in a new line; a CR then goes back to the start of that row only.
    void longLinesWrap()
    {
        CTerminalText t;
        t.setWrapColumn(4);
        t.feed(u"abcdefghij\rX");
        QCOMPARE(screen(t), QStringLiteral("abcd\nefgh\n|Xj"));
        t.feedInput(u"in\nput");
        QCOMPARE(screen(t), QStringLiteral("X<-1,-1,32>in</>\n|<-1,-1,32>put</>"));
    }

    // The open line comes only once the completed lines before it are taken, and from the first changed column.
    void openLineChanges()
    {
        COutputBuffer buffer;
        buffer.appendBytes("one\ntwo\nprompt> ");
        COutputBuffer::CBatch b = buffer.take(4);
        QCOMPARE(shown(b) + "|" + QString::number(b.hasOpenLine), QStringLiteral("one\n|0"));
        b = buffer.take(100);
        QCOMPARE(shown(b) + "|" + QString::number(b.openFrom), QStringLiteral("two\nprompt> |0"));
        buffer.appendBytes("ab");
        buffer.appendBytes("\bc");
        b = buffer.take(100);
        QCOMPARE(render(b.openLine) + "|" + QString::number(b.openFrom), QStringLiteral("ac|8"));
        QVERIFY(!buffer.hasPending());
    }

    // With keepLatest the reader never waits: the oldest whole lines go.
    void keepLatestDropsOldestLines()
    {
        COutputBuffer buffer;
        buffer.setHighWater(1);
        buffer.setKeepLatest(10);
        QVERIFY(buffer.appendBytes("0123\n5678\nabcd\nefgh\n"));
        QVERIFY(buffer.appendBytes("open"));
        QCOMPARE(buffer.dropped(), 10);
        const COutputBuffer::CBatch b = buffer.take(100);
        QCOMPARE(b.dropped, 10);
        QCOMPARE(shown(b), QStringLiteral("abcd\nefgh\nopen"));
        buffer.restart();
        QVERIFY(!buffer.hasPending());
        QVERIFY(buffer.appendBytes("x"));
        QCOMPARE(shown(buffer.take(100)), QStringLiteral("x"));
    }

    // A reader above the high-water mark waits until the window has taken text, or until the buffer is aborted, which
    // refuses it from then on.
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
        buffer.appendBytes("1\n2\n3\n");
        std::atomic<int> result{-1};
        std::thread reader([&] { result = buffer.appendBytes("4\n"); });
        QTest::qWait(50);
        QCOMPARE(result.load(), -1);
        if (abort)
            buffer.abort();
        else
            QCOMPARE(shown(buffer.take(4)), QStringLiteral("1\n2\n"));
        reader.join();
        QCOMPARE(result.load(), int(!abort));
        QCOMPARE(shown(buffer.take(10)), abort ? QString() : QStringLiteral("3\n4\n"));
        QCOMPARE(buffer.appendBytes("7"), !abort);
    }

    void cgiResponse_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("body");
        QTest::newRow("CR LF headers") << QByteArray("Status: 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>")
                                       << false << int(CCgiResponse::Html) << 58;
        QTest::newRow("LF, any case") << QByteArray("content-type:TEXT/HTML\n\nx") << false << int(CCgiResponse::Html) << 24;
        QTest::newRow("plain text type") << QByteArray("Content-Type: text/plain\n\nx") << false << int(CCgiResponse::NotHtml) << -1;
        QTest::newRow("not a header") << QByteArray("Hello world\n") << false << int(CCgiResponse::NotHtml) << -1;
        QTest::newRow("headers still coming") << QByteArray("Content-Type: text/html\n") << false
                                              << int(CCgiResponse::Undecided) << -1;
        QTest::newRow("ended without a blank line") << QByteArray("Content-Type: text/html\n") << true
                                                    << int(CCgiResponse::NotHtml) << -1;
    }

    void cgiResponse()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, complete);
        qsizetype offset = -1;
        QTEST(int(CCgiResponse::judge(head, complete, &offset)), "verdict");
        QTEST(int(offset), "body");
    }

    void cgiVariables_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("user");
        QTest::addColumn<QStringList>("expected");
        auto gateway = [](const QString &method) {
            return QStringList{"GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=" + method, "SERVER_PROTOCOL=HTTP/1.1",
                               "SERVER_NAME=localhost", "SCRIPT_NAME=/form.pl", "SCRIPT_FILENAME=/srv/my cgi/form.pl"};
        };
        QTest::newRow("no method: nothing") << "" << "a=1" << QStringList{"X=1"} << QStringList{};
        QTest::newRow("POST: length in bytes of the body")
            << "POST" << "name=J\u00f6rg\nx=1" << QStringList{}
            << gateway("POST") + QStringList{"CONTENT_LENGTH=14", "CONTENT_TYPE=application/x-www-form-urlencoded"};
        QTest::newRow("GET: the input without line ends; the user's pairs after, empty names skipped")
            << "GET" << "a=1&\nb=2\n" << QStringList{"SERVER_NAME=example.org", "=skipped", "HTTP_COOKIE=c=1"}
            << gateway("GET") + QStringList{"QUERY_STRING=a=1&b=2", "SERVER_NAME=example.org", "HTTP_COOKIE=c=1"};
        QTest::newRow("another method: neither body nor query") << "PUT" << "a" << QStringList{} << gateway("PUT");
    }

    void cgiVariables()
    {
        QFETCH(QString, method);
        QFETCH(QString, input);
        QFETCH(QStringList, user);
        CScriptInput in;
        in.setRequestMethod(method);
        in.setInput(input);
        for (const QString &pair : user) {
            in.m_strCgiNames[in.m_nCgiCount] = pair.section('=', 0, 0);
            in.m_strCgiValues[in.m_nCgiCount++] = pair.section('=', 1);
        }
        QStringList got;
        for (const auto &[name, value] : in.cgiVariables("/srv/my cgi/form.pl"))
            got << name + "=" + value;
        QTEST(got, "expected");
    }

    void lineNumber_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected");
        QTest::addRow("perl, full path") << "Died at " + kPath + " line 7." << 7;
        QTest::addRow("perl, STDIN line") << "Can't go at at " + kPath + " line 12, <STDIN> line 2." << 12;
        QTest::addRow("perl, bare name") << "Died at " + kName + " line 4." << 4;
        QTest::addRow("javac") << kPath + ":21: error: ';' expected" << 21;
        QTest::addRow("javac, relative to the folder") << "./" + kName + ":3: error" << 3;
        QTest::addRow("a module's line") << "Died at /usr/share/perl/5.36/Carp.pm line 5." << 0;
        QTest::addRow("same name, other folder") << "Died at /tmp/" + kName + " line 5." << 0;
        QTest::addRow("longer name, same ending") << "Died at " + kFolder + "/x" + kName + " line 5." << 0;
        QTest::addRow("no line number") << kPath + " syntax OK" << 0;
        QTest::addRow("nothing after the number") << "at " + kPath + " line 6" << 0;
        // Paths are compared as cleaned: "." and empty segments drop out, ".." drops one.
        QTest::addRow("dots and doubled slashes") << "at /home/x/../u/./my at scripts (v2)+[x]//" + kName + " line 8." << 8;
        QTest::addRow("relative, up to the root and back")
            << "at ../../../home/u/my at scripts (v2)+[x]/" + kName + " line 9." << 9;
        QTest::addRow("one up too many") << "at ../../../../home/u/my at scripts (v2)+[x]/" + kName + " line 9." << 0;
        QTest::addRow("above the root stays above") << "at /../home/u/my at scripts (v2)+[x]/" + kName + " line 9." << 0;
        QTest::addRow("a word dropped, starting inside it") << "at gone/../" + kName + " line 4." << 4;
        QTest::addRow("two .. for one word") << "at gone/../../" + kName + " line 4." << 0;
        QTest::addRow("a later mention counts") << "at " + kName + "x line 1. at " + kFolder + "/" + kName + " line 2." << 2;
        QTest::addRow("a path longer than the kernel opens")
            << "at /" + QString(CErrorLineParser::MaxPathLength, u'a') + "/../" + kPath.mid(1) + " line 4." << 0;
    }

    void lineNumber()
    {
        QFETCH(QString, line);
        QTEST(CErrorLineParser(kPath).lineNumber(line), "expected");
    }

    // Lines built to make a search go back over what it has read finish quickly, with the right result.
    void lineNumberOnHostileLines_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("last");   // appended once
        QTest::addColumn<int>("expected");
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
        CErrorLineParser parser(kPath);
        QList<CErrorLink> links;
        qsizetype position = 0;
        for (const QString &piece : pieces) {
            links += parser.feed(piece, position);
            position += piece.size();
        }
        QTEST(links, "expected");
    }
};

QTEST_GUILESS_MAIN(TestRunText)
#include "tst_runtext.moc"
