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

// What arrives on a copy of the pipe's read end within a few seconds; stops
// at end of data or once `expected` bytes are there.
QByteArray readFrom(int fd, int expected)
{
    QByteArray got;
    char buf[4096];
    while (got.size() < expected) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    return got;
}

// True when the other side of `fd` has closed (read returns 0).
bool atEndOfData(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0)
        return false;
    char c;
    return ::read(fd, &c, 1) == 0;
}

} // namespace

class tst_InputDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::signal(SIGPIPE, SIG_IGN); }
    void typedMethodIsUpperCaseAndTrimmed_data();
    void typedMethodIsUpperCaseAndTrimmed();
    void inputLimitedTo4000();
    void cgiButtonFollowsChosenMethod();
    void cancelKeepsSavedValues();
    void viewMode_data();
    void viewMode();

    void sendWritesLineAndLineFeed_data();
    void sendWritesLineAndLineFeed();
    void lineLimitedTo256();
    void sendWithoutPipeCloses();
    void eofEndsInputAndLaterLinesAreDropped();
    void escapeHidesWithoutEndingInput();
};

void tst_InputDialogs::typedMethodIsUpperCaseAndTrimmed_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("saved");
    QTest::newRow("lower case") << "post" << "POST" << "POST";
    QTest::newRow("mixed case with blanks") << "  gEt " << "  GET " << "GET";
    QTest::newRow("other method") << "put" << "PUT" << "PUT";
    QTest::newRow("longer than ten") << "abcdefghijkl" << "ABCDEFGHIJ" << "ABCDEFGHIJ";
}

void tst_InputDialogs::typedMethodIsUpperCaseAndTrimmed()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, saved);
    CScriptInputsDlg dialog;
    QString seen;
    const int result = execWith(dialog, [&] {
        QTest::keyClicks(dialog.methodCombo()->lineEdit(), typed);
        seen = dialog.methodCombo()->currentText();
        dialog.okButton()->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(seen, shown);
    QCOMPARE(dialog.values().requestMethod(), saved);
    QCOMPARE(dialog.methodCombo()->currentText(), saved);
}

void tst_InputDialogs::inputLimitedTo4000()
{
    CScriptInputsDlg dialog;
    CScriptInput start;
    start.setInput(QString(3990, 'a'));
    dialog.setValues(start);
    QString afterPaste;
    QString afterKey;
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
    QCOMPARE(afterPaste.size(), 4000);
    QCOMPARE(afterPaste, QString(10, 'b') + QString(3990, 'a'));
    QCOMPARE(afterKey, afterPaste);
    QCOMPARE(dialog.values().input(), afterPaste);
}

void tst_InputDialogs::cgiButtonFollowsChosenMethod()
{
    CScriptInputsDlg dialog;
    QList<bool> visible;
    QStringList methods;
    execWith(dialog, [&] {
        QComboBox *combo = dialog.methodCombo();
        visible << dialog.cgiButton()->isVisible();
        combo->setFocus();
        for (auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}) {
            QTest::keyClick(combo, key);
            methods << combo->currentText();
            visible << dialog.cgiButton()->isVisible();
        }
        dialog.reject();
    });
    QCOMPARE(methods, (QStringList{"GET", "POST", "GET", ""}));
    QCOMPARE(visible, (QList<bool>{false, true, true, true, false}));
    // Choosing alone saves nothing.
    QCOMPARE(dialog.values().requestMethod(), QString());
}

void tst_InputDialogs::cancelKeepsSavedValues()
{
    CScriptInputsDlg dialog;
    CScriptInput start;
    start.setInput("kept");
    start.setRequestMethod("POST");
    dialog.setValues(start);
    const int result = execWith(dialog, [&] {
        QTest::keyClicks(dialog.inputEdit(), "more");
        dialog.methodCombo()->setEditText("GET");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(dialog.values().input(), QStringLiteral("kept"));
    QCOMPARE(dialog.values().requestMethod(), QStringLiteral("POST"));
}

void tst_InputDialogs::viewMode_data()
{
    QTest::addColumn<bool>("view");
    QTest::addColumn<QString>("okText");
    QTest::addColumn<QString>("okTip");
    QTest::addColumn<QString>("title");
    QTest::newRow("editing") << false << "&Save" << "Save the input to be applied when the script runs."
                             << "Specify Script Inputs";
    QTest::newRow("viewing") << true << "&Done" << "Closes the input window." << "View script input";
}

void tst_InputDialogs::viewMode()
{
    QFETCH(bool, view);
    QFETCH(QString, okText);
    QFETCH(QString, okTip);
    QFETCH(QString, title);
    CScriptInputsDlg dialog;
    CScriptInput start;
    start.setInput("line 1\nline 2");
    dialog.setValues(start);
    dialog.setViewMode(view);
    bool readOnly = false, comboEnabled = false, helpVisible = false, eofVisible = true;
    QString shownTitle, shownText;
    execWith(dialog, [&] {
        readOnly = dialog.inputEdit()->isReadOnly();
        comboEnabled = dialog.methodCombo()->isEnabled();
        helpVisible = dialog.helpButton()->isVisible();
        eofVisible = dialog.findChild<QPushButton *>("1065")->isVisible();
        shownTitle = dialog.windowTitle();
        shownText = dialog.inputEdit()->toPlainText();
        QTest::keyClicks(dialog.inputEdit(), "typed");
        dialog.okButton()->click();
    });
    QCOMPARE(dialog.okButton()->text(), okText);
    QCOMPARE(dialog.okButton()->toolTip(), okTip);
    QCOMPARE(shownTitle, title);
    QCOMPARE(readOnly, view);
    QCOMPARE(comboEnabled, !view);
    QCOMPARE(helpVisible, !view);
    QVERIFY(!eofVisible);
    QCOMPARE(shownText, QStringLiteral("line 1\nline 2"));
    // Typing reaches the input only when it can be edited.
    QCOMPARE(dialog.values().input().contains("typed"), !view);
}

void tst_InputDialogs::sendWritesLineAndLineFeed_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("useEnter");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("send button") << "hello world" << false << QByteArray("hello world\n");
    QTest::newRow("enter key") << "abc" << true << QByteArray("abc\n");
    QTest::newRow("empty line") << "" << false << QByteArray("\n");
    QTest::newRow("utf-8") << QString::fromUtf8("caf\xc3\xa9") << false << QByteArray("caf\xc3\xa9\n");
}

void tst_InputDialogs::sendWritesLineAndLineFeed()
{
    QFETCH(QString, line);
    QFETCH(bool, useEnter);
    QFETCH(QByteArray, written);
    CPipe pipe;
    QVERIFY(pipe.CreatePipeEnds());
    CSendInputDlg dialog;
    dialog.setPipe(&pipe);
    dialog.show();
    dialog.lineEdit()->setFocus();
    dialog.lineEdit()->setText(line);
    if (useEnter)
        QTest::keyClick(dialog.lineEdit(), Qt::Key_Return);
    else
        dialog.sendButton()->click();
    QCOMPARE(readFrom(pipe.readEnd(), written.size()), written);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.lineEdit()->text(), QString());
    QVERIFY(!dialog.endOfInput());
}

void tst_InputDialogs::lineLimitedTo256()
{
    CPipe pipe;
    QVERIFY(pipe.CreatePipeEnds());
    CSendInputDlg dialog;
    dialog.setPipe(&pipe);
    dialog.show();
    QTest::keyClicks(dialog.lineEdit(), QString(300, 'z'));
    QCOMPARE(dialog.lineEdit()->text().size(), 256);
    dialog.sendButton()->click();
    QCOMPARE(readFrom(pipe.readEnd(), 257), QByteArray(256, 'z') + '\n');
}

void tst_InputDialogs::sendWithoutPipeCloses()
{
    CSendInputDlg dialog;
    const int result = execWith(dialog, [&] {
        QTest::keyClicks(dialog.lineEdit(), "x");
        dialog.sendButton()->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
}

void tst_InputDialogs::eofEndsInputAndLaterLinesAreDropped()
{
    CPipe pipe;
    QVERIFY(pipe.CreatePipeEnds());
    const int reader = ::dup(pipe.readEnd());   // stands for the child's end
    CSendInputDlg dialog;
    dialog.setPipe(&pipe);
    dialog.show();
    QTest::keyClicks(dialog.lineEdit(), "last");
    dialog.sendButton()->click();
    dialog.eofButton()->click();
    QVERIFY(dialog.endOfInput());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(readFrom(reader, 5), QByteArray("last\n"));
    QVERIFY(atEndOfData(reader));
    // Shown again while the script runs: what is sent no longer goes anywhere.
    dialog.show();
    QTest::keyClicks(dialog.lineEdit(), "late");
    dialog.sendButton()->click();
    QCOMPARE(dialog.lineEdit()->text(), QString());
    QCOMPARE(dialog.pipe(), &pipe);
    ::close(reader);
}

void tst_InputDialogs::escapeHidesWithoutEndingInput()
{
    CPipe pipe;
    QVERIFY(pipe.CreatePipeEnds());
    CSendInputDlg dialog;
    dialog.setPipe(&pipe);
    dialog.show();
    QTest::keyClick(dialog.lineEdit(), Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.endOfInput());
    dialog.show();
    QTest::keyClicks(dialog.lineEdit(), "still open");
    dialog.sendButton()->click();
    QCOMPARE(readFrom(pipe.readEnd(), 11), QByteArray("still open\n"));
}

QTEST_MAIN(tst_InputDialogs)
#include "tst_inputdialogs.moc"
