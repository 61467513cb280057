#include "CPaneFeeder.h"

#include "COutputBuffer.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace {

// Text goes into a pane in slices, for at most this long per event-loop turn.
constexpr qint64 kTurnBudgetMs = 12;
constexpr qsizetype kSliceChars = 64 * 1024;

} // namespace

CPaneFeeder::CPaneFeeder(COutputBuffer *buffer, QPlainTextEdit *pane, QObject *parent)
    : QObject(parent)
    , m_buffer(buffer)
    , m_pane(pane)
{
    connect(buffer, &COutputBuffer::textAvailable, this, &CPaneFeeder::showPending, Qt::QueuedConnection);
}

qsizetype CPaneFeeder::insert(qsizetype maxChars, qint64 budgetMs)
{
    // Slices go in until the batch size or the time budget of this turn is
    // used up, so that a slow turn (a loaded machine) inserts less.
    QElapsedTimer spent;
    spent.start();
    qsizetype inserted = 0;
    QScrollBar *bar = m_pane->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    while (inserted < maxChars && spent.elapsed() < budgetMs) {
        const QString text = m_buffer->take(std::min(kSliceChars, maxChars - inserted));
        if (text.isEmpty())
            break;
        QTextDocument *doc = m_pane->document();
        const qsizetype position = doc->characterCount() - 1;
        QTextCursor cursor(doc);
        cursor.movePosition(QTextCursor::End);
        // Plain, whatever format the text before it has.
        cursor.insertText(text, QTextCharFormat());
        inserted += text.size();
        emit sliceInserted(text, position);
    }
    if (inserted > 0) {
        if (following)
            bar->setValue(bar->maximum());
        emit textShown();
    }
    return inserted;
}

void CPaneFeeder::showPending()
{
    m_queued = false;
    insert(m_batchChars, kTurnBudgetMs);
    // More waiting: the rest goes in on the next turn, after input and
    // painting have had theirs.
    if (m_buffer->pending() > 0) {
        if (!m_queued) {
            m_queued = true;
            QMetaObject::invokeMethod(this, &CPaneFeeder::showPending, Qt::QueuedConnection);
        }
    } else {
        emit caughtUp();
    }
}

void CPaneFeeder::flush()
{
    insert(std::numeric_limits<qsizetype>::max(), std::numeric_limits<qint64>::max());
}
