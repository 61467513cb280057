#include "run/CErrorLineParser.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<CErrorLink>)

namespace {

// A folder and a name with blanks and the characters patterns give meaning to.
const QString kFolder = QStringLiteral("/home/u/my at scripts (v2)+[x]");
const QString kName = QStringLiteral("a b.*?(1)$^.pl");
const QString kPath = kFolder + "/" + kName;

} // namespace

class tst_ErrorLineParser : public QObject
{
    Q_OBJECT

private slots:
    void lineNumber_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected");
        const QString p = kPath;
        QTest::addRow("perl, full path") << "Died at " + p + " line 7." << 7;
        QTest::addRow("perl, near") << "syntax error at " + p + " line 3, near \"+;\"" << 3;
        QTest::addRow("perl, STDIN line") << "boom at " + p + " line 12, <STDIN> line 2." << 12;
        QTest::addRow("perl, bare name") << "Died at " + kName + " line 4." << 4;
        QTest::addRow("perl, relative path") << "Died at ./sub/../" + kName + " line 5." << 5;
        QTest::addRow("perl, message holding 'at '") << "Can't call at at " + p + " line 9." << 9;
        QTest::addRow("javac, full path") << p + ":21: error: ';' expected" << 21;
        QTest::addRow("javac, bare name") << kName + ":2: warning: [deprecation]" << 2;
        QTest::addRow("a module's line") << "Died at /usr/share/perl/5.36/Carp.pm line 5." << 0;
        QTest::addRow("same name, another folder") << "Died at /tmp/" + kName + " line 5." << 0;
        QTest::addRow("a longer name ending alike") << "Died at " + kFolder + "/x" + kName + " line 5." << 0;
        QTest::addRow("a relative path out of the folder") << "Died at ../" + kName + " line 5." << 0;
        QTest::addRow("no line number") << p + " syntax OK" << 0;
        QTest::addRow("line 0") << "Died at " + p + " line 0." << 0;
        QTest::addRow("no full stop after the number") << "at " + p + " line 6 and more" << 0;
        QTest::addRow("javac form in mid-line") << "note: " + p + ":3: error" << 0;
    }

    void lineNumber()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        QCOMPARE(CErrorLineParser(kPath).lineNumber(line), expected);
    }

    // Text arrives in pieces; links are reported per completed line with
    // their place in the whole stream.
    void feed_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QList<CErrorLink>>("expected");
        const QString err = "x at " + kName + " line 3.";
        QTest::addRow("one piece") << QStringList{"ok\n" + err + "\nmore\n"}
                                   << QList<CErrorLink>{{3, err.size(), 3}};
        QTest::addRow("cut in the name and before the line end")
            << QStringList{"ok\nx at a b.*", "?(1)$^.pl line 3.", "\n"} << QList<CErrorLink>{{3, err.size(), 3}};
        QTest::addRow("unfinished line is no link yet") << QStringList{"ok\n" + err} << QList<CErrorLink>{};
        QTest::addRow("two links, plain line between")
            << QStringList{err + "\nplain\n", err + "\n"}
            << QList<CErrorLink>{{0, err.size(), 3}, {err.size() + 7, err.size(), 3}};
        QTest::addRow("an overlong line") << QStringList{QString(CErrorLineParser::MaxLineLength, u'y'), err + "\n"}
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

QTEST_APPLESS_MAIN(tst_ErrorLineParser)
#include "tst_errorlineparser.moc"
