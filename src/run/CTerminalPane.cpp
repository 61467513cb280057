#include "CTerminalPane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

CTerminalPane::CTerminalPane(const QString &title, QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);

    m_header = new QWidget(this);
    m_header->setObjectName(QStringLiteral("header"));
    m_header->setAutoFillBackground(true);
    m_header->setBackgroundRole(QPalette::Window);
    auto *row = new QHBoxLayout(m_header);
    row->setContentsMargins(4, 0, 4, 0);
    m_title = new QLabel(title, m_header);
    m_title->setObjectName(QStringLiteral("title"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_notice = new QLabel(m_header);
    m_notice->setObjectName(QStringLiteral("notice"));
    row->addWidget(m_title);
    row->addWidget(m_notice, 1);
    updateNotice();
}

qsizetype CTerminalPane::outputEnd() const
{
    return document()->characterCount() - 1 - m_shownInput;
}

QString CTerminalPane::sizeText(qsizetype chars)
{
    if (chars >= 1000 * 1000)
        return QStringLiteral("%1 MB").arg(double(chars) / 1e6, 0, 'f', 1);
    if (chars >= 1000)
        return QStringLiteral("%1 KB").arg(double(chars) / 1e3, 0, 'f', 0);
    return QStringLiteral("%1 bytes").arg(chars);
}

void CTerminalPane::setNotShown(qsizetype chars)
{
    if (chars == m_notShown)
        return;
    m_notShown = chars;
    updateNotice();
}

void CTerminalPane::setRecoveryHint(const QString &hint)
{
    m_hint = hint;
    updateNotice();
}

void CTerminalPane::setKeepFailure(const QString &reason)
{
    if (!m_keepFailure.isEmpty())
        return;
    m_keepFailure = reason;
    updateNotice();
}

void CTerminalPane::updateNotice()
{
    QString text;
    if (m_notShown > 0) {
        text = QStringLiteral("\u2026 %1 earlier output not shown").arg(sizeText(m_notShown));
        if (!m_hint.isEmpty() && m_keepFailure.isEmpty())
            text += QStringLiteral("; ") + m_hint;
    }
    if (!m_keepFailure.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("output is not kept: ")
                + m_keepFailure;
    m_noticeText = text;
    m_notice->setToolTip(text);
    const bool show = !m_title->text().isEmpty() || !text.isEmpty();
    m_header->setVisible(show);
    setViewportMargins(0, show ? m_header->sizeHint().height() : 0, 0, 0);
    placeHeader();
}

void CTerminalPane::placeHeader()
{
    const QRect r = contentsRect();
    m_header->setGeometry(r.left(), r.top(), r.width(), m_header->sizeHint().height());
    // A notice wider than the pane ends in an ellipsis; its tip holds all of it.
    const int room = r.width() - m_title->sizeHint().width() - 16;
    m_notice->setText(m_notice->fontMetrics().elidedText(m_noticeText, Qt::ElideRight, std::max(0, room)));
}

void CTerminalPane::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    placeHeader();
}

void CTerminalPane::setInputEnabled(bool on)
{
    if (!on) {
        m_input.clear();
        m_inputCaret = 0;
        if (m_shownInput > 0)
            renderInput();
    }
    m_inputEnabled = on;
    setAttribute(Qt::WA_InputMethodEnabled, on);
}

bool CTerminalPane::caretInInput() const
{
    const QTextCursor c = textCursor();
    return std::min(c.position(), c.anchor()) >= outputEnd();
}

void CTerminalPane::renderInput()
{
    QTextDocument *doc = document();
    const int end = doc->characterCount() - 1;
    const int start = end - int(m_shownInput);
    QTextCursor c(doc);
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat look;
    look.setForeground(inputColour());
    c.insertText(m_input, look);
    m_shownInput = m_input.size();
    QTextCursor caret(doc);
    caret.setPosition(start + int(m_inputCaret));
    setTextCursor(caret);
    ensureCursorVisible();
}

void CTerminalPane::type(const QString &text)
{
    QString rest = text;
    rest.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (;;) {
        const qsizetype lf = rest.indexOf(u'\n');
        const QString piece = rest.left(lf < 0 ? rest.size() : lf);
        m_input.insert(m_inputCaret, piece);
        m_inputCaret += piece.size();
        if (lf < 0)
            break;
        const QString line = std::exchange(m_input, QString());
        m_inputCaret = 0;
        renderInput();
        emit lineEntered(line);
        if (!m_inputEnabled)
            return;
        rest = rest.mid(lf + 1);
    }
    renderInput();
}

bool CTerminalPane::handleInputKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (event->matches(QKeySequence::Paste)) {
        type(QGuiApplication::clipboard()->text());
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(mods & ~Qt::ShiftModifier)) {
        type(QStringLiteral("\n"));
        return true;
    }
    if (key == Qt::Key_D && mods == Qt::ControlModifier) {
        const QString rest = m_input;
        setInputEnabled(false);
        emit inputEnded(rest);
        return true;
    }
    if (key == Qt::Key_Backspace && !(mods & ~Qt::ShiftModifier)) {
        if (m_inputCaret > 0) {
            const qsizetype n = m_inputCaret > 1 && m_input.at(m_inputCaret - 1).isLowSurrogate() ? 2 : 1;
            m_input.remove(m_inputCaret - n, n);
            m_inputCaret -= n;
        }
        renderInput();
        return true;
    }
    // Keys that move or delete within the line, while the caret is in it.
    const bool lineKey = key == Qt::Key_Delete || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home
                         || key == Qt::Key_End;
    if (lineKey && mods == Qt::NoModifier && caretInInput()) {
        if (key == Qt::Key_Delete)
            m_input.remove(m_inputCaret, 1);
        else if (key == Qt::Key_Left)
            m_inputCaret = std::max<qsizetype>(0, m_inputCaret - 1);
        else if (key == Qt::Key_Right)
            m_inputCaret = std::min(m_input.size(), m_inputCaret + 1);
        else
            m_inputCaret = key == Qt::Key_Home ? 0 : m_input.size();
        renderInput();
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    for (const QChar c : text) {
        if (!c.isPrint() && c != u'\t')
            return false;
    }
    type(text);
    return true;
}

void CTerminalPane::keyPressEvent(QKeyEvent *event)
{
    if (m_inputEnabled && handleInputKey(event))
        return;
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        event->ignore();   // the window decides
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CTerminalPane::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_inputEnabled && !event->commitString().isEmpty()) {
        type(event->commitString());
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CTerminalPane::mousePressEvent(QMouseEvent *event)
{
    if (m_inputEnabled && event->button() == Qt::MiddleButton) {
        type(QGuiApplication::clipboard()->text(QClipboard::Selection));
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
}
