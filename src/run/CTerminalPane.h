#pragma once

#include <QPlainTextEdit>

class QLabel;

// A read-only transcript pane: a one-line header with its title and, once
// earlier text had to go, a note of how much is not shown; optionally an
// input line at the end that the user types into. Output goes before the
// input line; Enter sends the line, Ctrl+D ends the input.
class CTerminalPane : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CTerminalPane(const QString &title, QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_title; }
    // The whole notice, which the label may show shortened.
    QString noticeText() const { return m_noticeText; }

    // Where output ends: the start of the input line.
    qsizetype outputEnd() const;
    // The colour of text the user typed.
    QColor inputColour() const { return QColor(0x00, 0x80, 0x60); }

    // Characters of earlier text no longer shown; what to say about getting them back.
    void setNotShown(qsizetype chars);
    void setRecoveryHint(const QString &hint);
    // Keeping the text the pane no longer shows failed: said once.
    void setKeepFailure(const QString &reason);

    void setInputEnabled(bool on);
    bool isInputEnabled() const { return m_inputEnabled; }
    QString inputText() const { return m_input; }

    // "12.4 MB", "640 KB", "12 bytes"
    static QString sizeText(qsizetype chars);

signals:
    // Enter in the input line: the line, without its line end.
    void lineEntered(const QString &line);
    // Ctrl+D: what was typed and not yet sent, then the end of input.
    void inputEnded(const QString &rest);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool handleInputKey(QKeyEvent *event);
    bool caretInInput() const;
    void type(const QString &text);
    void renderInput();
    void updateNotice();
    void placeHeader();

    QWidget *m_header;
    QLabel *m_title;
    QLabel *m_notice;
    QString m_noticeText;
    qsizetype m_notShown = 0;
    QString m_hint;
    QString m_keepFailure;

    bool m_inputEnabled = false;
    QString m_input;
    qsizetype m_inputCaret = 0;
    qsizetype m_shownInput = 0;   // characters of the input line in the document
};
