#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

// The debugger console: the conversation with Perl's debugger and a line for
// any debugger command, with a history that Up and Down walk through.
class CDebugConsole : public QWidget
{
    Q_OBJECT

public:
    explicit CDebugConsole(QWidget *parent = nullptr);

    void appendText(const QString &text);
    void clear();
    QStringList history() const { return m_history; }
    QLineEdit *commandLine() const { return m_line; }
    QPlainTextEdit *transcript() const { return m_text; }

signals:
    void commandEntered(const QString &command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *m_text;
    QLineEdit *m_line;
    QStringList m_history;
    qsizetype m_historyIndex = 0;
};
