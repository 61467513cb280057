#include "CDebugConsole.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CDebugConsole::CDebugConsole(QWidget *parent)
    : QWidget(parent)
    , m_text(new QPlainTextEdit(this))
    , m_line(new QLineEdit(this))
{
    m_text->setReadOnly(true);
    m_text->setMaximumBlockCount(5000);
    m_line->setPlaceholderText(QStringLiteral("Debugger command (p $x, x \\%h, l, h ...)"));
    m_line->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_text);
    layout->addWidget(m_line);
    connect(m_line, &QLineEdit::returnPressed, this, [this] {
        const QString command = m_line->text();
        if (!command.trimmed().isEmpty() && (m_history.isEmpty() || m_history.last() != command))
            m_history.append(command);
        m_historyIndex = m_history.size();
        m_line->clear();
        appendText(QStringLiteral("> ") + command + QLatin1Char('\n'));
        emit commandEntered(command);
    });
}

void CDebugConsole::appendText(const QString &text)
{
    QTextCursor cursor(m_text->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    m_text->ensureCursorVisible();
    m_text->moveCursor(QTextCursor::End);
}

void CDebugConsole::clear()
{
    m_text->clear();
}

bool CDebugConsole::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_line && event->type() == QEvent::KeyPress && !m_history.isEmpty()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_historyIndex = std::clamp<qsizetype>(m_historyIndex + (key == Qt::Key_Up ? -1 : 1), 0, m_history.size());
            m_line->setText(m_historyIndex < m_history.size() ? m_history[m_historyIndex] : QString());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
