#include "run/CErrorLineParser.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<CErrorLink>)

namespace {

// Blanks, "at " and the characters patterns give meaning to, in folder and name.
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
    }

    void lineNumber()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        QCOMPARE(CErrorLineParser(kPath).lineNumber(line), expected);
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

QTEST_APPLESS_MAIN(tst_ErrorLineParser)
#include "tst_errorlineparser.moc"
