#include "server/CLoginSequence.h"
#include "server/CShellQuote.h"
#include "server/CTelnetProtocol.h"

#include <QDir>
#include <QProcess>

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

    // Hidden only while a WILL ECHO follows a WONT ECHO: telnetd's WILL ECHO
    // at the start, repeated after a refusal, hides nothing.
    void hidesInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("hidden");
        QTest::addRow("WILL ECHO at the start, twice") << b({255, 251, 1}) + "login: " + b({255, 251, 1}) << false;
        QTest::addRow("WONT then WILL") << b({255, 252, 1}) + "PIN " + b({255, 251, 1}) << true;
        QTest::addRow("and WONT again") << b({255, 252, 1, 255, 251, 1}) + "x" + b({255, 252, 1}) << false;
        QTest::addRow("other option") << b({255, 252, 3, 255, 251, 3}) << false;
    }
    void hidesInput()
    {
        QFETCH(QByteArray, input);
        CTelnetProtocol protocol;
        protocol.feed(input);
        QTEST(protocol.hidesInput(), "hidden");
    }

    // A name is left alone only when no shell character is in it; the real
    // shell reads each quoted name back as one argument, unchanged.
    void shellQuoteRoundTrip()
    {
        QCOMPARE(CShellQuote::quote(QStringLiteral("cgi-bin/a_b+1.pl")), QStringLiteral("cgi-bin/a_b+1.pl"));
        QCOMPARE(CShellQuote::quote(QStringLiteral("it's")), QStringLiteral("'it'\\''s'"));
        const QStringList names{"", "a b", "it's", "'", "''\\''", "$(touch x)", "`x`;|&", "a\nb", "-n", "*", "~", "é ü"};
        QString line = QStringLiteral("printf '%s\\0'");
        for (const QString &name : names)
            line += QLatin1Char(' ') + CShellQuote::quote(name);
        QProcess sh;
        sh.setWorkingDirectory(QDir::tempPath());
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
        QVERIFY(sh.waitForFinished(10000));
        QStringList back = QString::fromUtf8(sh.readAllStandardOutput()).split(QChar(0));
        back.removeLast();
        QCOMPARE(back, names);
    }

    void prompts_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<int>("prompt");
        QTest::addRow("login") << QByteArray("\r\nvm login: ") << false << int(CLoginSequence::UserPrompt);
        QTest::addRow("Password") << QByteArray("Password: ") << false << int(CLoginSequence::PasswordPrompt);
        QTest::addRow("password for a user") << QByteArray("[sudo] password for ann: ") << false
                                             << int(CLoginSequence::PasswordPrompt);
        QTest::addRow("key passphrase") << QByteArray("Enter passphrase for key 'id':") << false
                                        << int(CLoginSequence::PasswordPrompt);
        QTest::addRow("last login line") << QByteArray("Last login: Mon Dec 7\r\n") << true << int(CLoginSequence::NoPrompt);
        QTest::addRow("colon blank, not yet quiet") << QByteArray("Name: ") << false << int(CLoginSequence::NoPrompt);
        QTest::addRow("colon blank, quiet") << QByteArray("Name: ") << true << int(CLoginSequence::OtherPrompt);
        QTest::addRow("shell with modes around") << QByteArray("\x1b[?2004h\x1b[01;32mann@h\x1b[00m:~$ ") << true
                                                 << int(CLoginSequence::ShellPrompt);
        QTest::addRow("shell, not yet quiet") << QByteArray("ann@h:~$ ") << false << int(CLoginSequence::NoPrompt);
    }
    void prompts()
    {
        QFETCH(QByteArray, tail);
        QFETCH(bool, quiet);
        QTEST(int(CLoginSequence::promptAt(tail, quiet)), "prompt");
    }
};

QTEST_GUILESS_MAIN(tst_TelnetProtocol)
#include "tst_telnetprotocol.moc"
