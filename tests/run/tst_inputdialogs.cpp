#include "run/CPipe.h"
#include "run/CScriptInputsDlg.h"
#include "run/CSendInputDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>

#include <poll.h>
#include <unistd.h>

namespace {

// Runs `steps` inside the dialog's modal loop and returns the dialog's result.
int execWith(QDialog &dialog, const std::function<void()> &steps)
{
    QTimer::singleShot(0, &dialog, [&dialog, steps] {
        steps();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

// What arrives on `fd` within a few seconds, up to `expected` bytes; a
// final "<eof>" when the other side has closed.
QByteArray readFrom(int fd, int expected)
{
    QByteArray got;
    char buf[4096];
    while (got.size() < expected) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, size_t(expected - got.size())));
        if (n <= 0)
            return got + "<eof>";
        got.append(buf, n);
    }
    return got;
}

} // namespace

class tst_InputDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }

    void typedMethod_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("saved");
        QTest::newRow("lower case") << "post" << true << "POST" << "POST";
        QTest::newRow("blanks trimmed when saved") << "  gEt " << true << "  GET " << "GET";
        QTest::newRow("longer than ten") << "abcdefghijkl" << true << "ABCDEFGHIJ" << "ABCDEFGHIJ";
        QTest::newRow("Esc saves nothing") << "get" << false << "GET" << "";
    }

    void typedMethod()
    {
        QFETCH(QString, typed);
        QFETCH(bool, save);
        QFETCH(QString, shown);
        QFETCH(QString, saved);
        CScriptInputsDlg dialog;
        QString seen;
        const int result = execWith(dialog, [&] {
            QTest::keyClicks(dialog.methodCombo()->lineEdit(), typed);
            QTest::keyClicks(dialog.inputEdit(), "text");
            seen = dialog.methodCombo()->currentText();
            if (save)
                dialog.okButton()->click();
            else
                QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QCOMPARE(result, int(save ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(seen, shown);
        QCOMPARE(dialog.values().requestMethod(), saved);
        QCOMPARE(dialog.values().input(), QString(save ? "text" : ""));
    }

    void inputLimitedTo4000()
    {
        CScriptInputsDlg dialog;
        CScriptInput start;
        start.setInput(QString(3990, 'a'));
        dialog.setValues(start);
        QString afterPaste, afterKey;
        execWith(dialog, [&] {
            QPlainTextEdit *edit = dialog.inputEdit();
            edit->moveCursor(QTextCursor::Start);
            QApplication::clipboard()->setText(QString(50, 'b'));
            edit->paste();
            afterPaste = edit->toPlainText();
            QTest::keyClick(edit, Qt::Key_C);
            afterKey = edit->toPlainText();
            dialog.okButton()->click();
        });
        // Only what fits of the paste went in, where it was pasted.
        QCOMPARE(afterPaste, QString(10, 'b') + QString(3990, 'a'));
        QCOMPARE(afterKey, afterPaste);
        QCOMPARE(dialog.values().input(), afterPaste);
    }

    void viewMode_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<QString>("okText");
        QTest::addColumn<QString>("title");
        QTest::newRow("editing") << false << "&Save" << "Specify Script Inputs";
        QTest::newRow("viewing") << true << "&Done" << "View script input";
    }

    void viewMode()
    {
        QFETCH(bool, view);
        QFETCH(QString, okText);
        QFETCH(QString, title);
        CScriptInputsDlg dialog;
        CScriptInput start;
        start.setInput("line 1\nline 2");
        dialog.setValues(start);
        dialog.setViewMode(view);
        bool comboEnabled = false;
        QString shownTitle, shownText;
        execWith(dialog, [&] {
            comboEnabled = dialog.methodCombo()->isEnabled();
            shownTitle = dialog.windowTitle();
            shownText = dialog.inputEdit()->toPlainText();
            QTest::keyClicks(dialog.inputEdit(), "typed");
            dialog.okButton()->click();
        });
        QCOMPARE(dialog.okButton()->text(), okText);
        QCOMPARE(shownTitle, title);
        QCOMPARE(comboEnabled, !view);
        QCOMPARE(shownText, QStringLiteral("line 1\nline 2"));
        // Typing reaches the input only when it can be edited.
        QCOMPARE(dialog.values().input().contains("typed"), !view);
    }

    void sendWritesLineAndLineFeed_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("useEnter");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("send button") << "hello world" << false << QByteArray("hello world\n");
        QTest::newRow("enter key") << "abc" << true << QByteArray("abc\n");
        QTest::newRow("empty line") << "" << false << QByteArray("\n");
        QTest::newRow("utf-8") << QString::fromUtf8("caf\xc3\xa9") << false << QByteArray("caf\xc3\xa9\n");
        QTest::newRow("limited to 256") << QString(300, 'z') << false << QByteArray(256, 'z') + '\n';
    }

    void sendWritesLineAndLineFeed()
    {
        QFETCH(QString, line);
        QFETCH(bool, useEnter);
        QFETCH(QByteArray, written);
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        CSendInputDlg dialog;
        dialog.setPipe(&pipe);
        dialog.show();
        dialog.lineEdit()->setText(line);
        if (useEnter)
            QTest::keyClick(dialog.lineEdit(), Qt::Key_Return);
        else
            dialog.sendButton()->click();
        QCOMPARE(readFrom(pipe.readEnd(), int(written.size())), written);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.lineEdit()->text(), QString());
        QVERIFY(!dialog.endOfInput());
    }

    // &eof ends the script's input; Esc only hides the dialog. Either way a
    // line sent afterwards reaches the script only while its input is open.
    void hidingTheSendDialog_data()
    {
        QTest::addColumn<bool>("eof");
        QTest::newRow("&eof") << true;
        QTest::newRow("Esc") << false;
    }

    void hidingTheSendDialog()
    {
        QFETCH(bool, eof);
        CPipe pipe;
        QVERIFY(pipe.CreatePipeEnds());
        const int reader = ::dup(pipe.readEnd()); // stands for the child's end
        CSendInputDlg dialog;
        dialog.setPipe(&pipe);
        dialog.show();
        QTest::keyClicks(dialog.lineEdit(), "last");
        dialog.sendButton()->click();
        if (eof)
            dialog.eofButton()->click();
        else
            QTest::keyClick(dialog.lineEdit(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.endOfInput(), eof);
        dialog.show();
        QTest::keyClicks(dialog.lineEdit(), "late");
        dialog.sendButton()->click();
        QCOMPARE(dialog.lineEdit()->text(), QString());
        QCOMPARE(readFrom(reader, 10), eof ? QByteArray("last\n<eof>") : QByteArray("last\nlate\n"));
        ::close(reader);
    }
};

QTEST_MAIN(tst_InputDialogs)
#include "tst_inputdialogs.moc"
