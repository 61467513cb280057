#include "server/CTelnetProtocol.h"

#include <QTest>

namespace {

QByteArray b(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

const QByteArray kAnsi = b({255, 250, 24, 0, 'A', 'N', 'S', 'I', 255, 240});

} // namespace

class tst_TelnetProtocol : public QObject
{
    Q_OBJECT

private slots:
    void answerTable_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("answers");
        const QByteArray none;
        QTest::addRow("DO 24") << b({255, 253, 24}) << none << b({255, 251, 24});
        QTest::addRow("DO 1") << b({255, 253, 1}) << none << b({255, 252, 1});
        QTest::addRow("DONT 24") << b({255, 254, 24}) << none << none;
        QTest::addRow("WILL 1, text") << b({255, 251, 1}) + "login: " << QByteArray("login: ") << b({255, 254, 1});
        QTest::addRow("WILL 37 twice") << b({255, 251, 37, 255, 251, 37}) << none << b({255, 254, 37});
        QTest::addRow("WONT 1") << b({255, 252, 1}) << none << none;
        QTest::addRow("SB 24 1 IAC SE") << b({255, 250, 24, 1, 255, 240}) << none << kAnsi;
        QTest::addRow("SB 24 0") << b({255, 250, 24, 0}) << none << none;
        QTest::addRow("SB 31 1") << b({255, 250, 31, 1}) << none << none;
        QTest::addRow("IAC NOP, IAC SE") << "a" + b({255, 241}) + "b" + b({255, 240}) << QByteArray("ab") << none;
        QTest::addRow("IAC IAC") << "x" + b({255, 255}) + "y" << "x" + b({255}) + "y" << none;
        QTest::addRow("text around") << "ab" + b({255, 253, 24}) + "cd" + b({255, 253, 3}) + "ef"
                                     << QByteArray("abcdef") << b({255, 251, 24, 255, 252, 3});
        QTest::addRow("NUL") << QByteArray("a\0b\r\0", 5) << QByteArray("ab\r") << none;
        QTest::addRow("no IAC") << QByteArray("$ ls\r\n") << QByteArray("$ ls\r\n") << none;
        QByteArray chunk = b({255, 241}), answers;
        for (int i = 0; i < 146; ++i) {
            chunk += b({255, 250, 24, 1, 255, 253, i});
            answers += kAnsi + b({255, i == 24 ? 251 : 252, i});
        }
        QTest::addRow("1024 bytes of commands") << chunk << none << answers;
    }

    // Whole, and cut in two at every place.
    void answerTable()
    {
        QFETCH(QByteArray, input);
        for (qsizetype cut = 0; cut <= input.size(); ++cut) {
            CTelnetProtocol protocol;
            const CTelnetProtocol::CResult first = protocol.feed(QByteArrayView(input).first(cut));
            const CTelnetProtocol::CResult second = protocol.feed(QByteArrayView(input).sliced(cut));
            QTEST(first.text + second.text, "text");
            QTEST(first.answers + second.answers, "answers");
        }
    }
};

QTEST_GUILESS_MAIN(tst_TelnetProtocol)
#include "tst_telnetprotocol.moc"
