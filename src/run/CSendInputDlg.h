#pragma once

#include <QDialog>

class CPipe;
class QLineEdit;
class QPushButton;

// "Send Input to Script": sends one line at a time to a running script's
// standard input, or ends that input.
class CSendInputDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MaxLineLength = 256;

    explicit CSendInputDlg(QWidget *parent = nullptr);

    // The running child's stdin pipe; once given it stays set.
    void setPipe(CPipe *pipe) { m_pPipe = pipe; }
    CPipe *pipe() const { return m_pPipe; }
    bool endOfInput() const { return m_bEndOfInput; }

    QLineEdit *lineEdit() const { return m_line; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *eofButton() const { return m_eof; }

public slots:
    // &Send: the line and one LF go to the pipe; the field empties and the
    // dialog stays open. Without a pipe the dialog closes with OK.
    void accept() override;
    // &eof: ends the script's input and hides the dialog.
    void sendEndOfInput();

signals:
    // A line went to the pipe (without its line feed).
    void lineSent(const QString &line);
    void inputEnded();

private:
    CPipe *m_pPipe = nullptr;
    bool m_bEndOfInput = false;
    QLineEdit *m_line;
    QPushButton *m_send;
    QPushButton *m_eof;
};
