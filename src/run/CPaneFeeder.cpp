#include "CPaneFeeder.h"

#include "COutputBuffer.h"
#include "CTerminalPane.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace {

// Text goes into a pane in slices, for at most this long per event-loop turn.
constexpr qint64 kTurnBudgetMs = 12;
constexpr qsizetype kSliceChars = 16 * 1024;

} // namespace

CPaneFeeder::CPaneFeeder(COutputBuffer *buffer, CTerminalPane *pane, QObject *parent)
    : QObject(parent)
    , m_buffer(buffer)
    , m_pane(pane)
{
    connect(buffer, &COutputBuffer::textAvailable, this, &CPaneFeeder::showPending, Qt::QueuedConnection);
}

void CPaneFeeder::insertRuns(int &position, const QList<CTextRun> &runs)
{
    const QPalette palette = m_pane->palette();
    QTextCursor cursor(m_pane->document());
    cursor.setPosition(position);
    for (const CTextRun &run : runs) {
        // Plain text gets the plain format, whatever the text before it has.
        cursor.insertText(run.text, run.style.charFormat(palette.color(QPalette::Text), palette.color(QPalette::Base),
                                                         m_pane->inputColour()));
    }
    position = cursor.position();
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
    QTextDocument *doc = m_pane->document();
    while (inserted < maxChars && spent.elapsed() < budgetMs) {
        const COutputBuffer::CBatch batch = m_buffer->take(std::min(kSliceChars, maxChars - inserted));
        if (batch.isEmpty())
            break;
        m_notShown += batch.dropped;
        QTextCursor cursor(doc);
        if (batch.dropped > 0 || !batch.runs.isEmpty()) {
            // The open line shown so far is part of the lines that came.
            cursor.setPosition(m_openStart);
            cursor.setPosition(int(m_pane->outputEnd()), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        if (!batch.runs.isEmpty()) {
            const qsizetype start = m_openStart;
            insertRuns(m_openStart, batch.runs);
            QString text;
            for (const CTextRun &run : batch.runs)
                text += run.text;
            emit sliceInserted(text, start + m_trimmed);
        }
        if (batch.hasOpenLine) {
            const int end = int(m_pane->outputEnd());
            int from = std::min(m_openStart + int(batch.openFrom), end);
            cursor.setPosition(from);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            insertRuns(from, batch.openLine);
        }
        inserted += std::max<qsizetype>(1, batch.runChars());
    }
    if (inserted > 0) {
        trim();
        m_pane->setNotShown(m_notShown);
        if (following)
            bar->setValue(bar->maximum());
        emit textShown();
    }
    return inserted;
}

void CPaneFeeder::trim()
{
    QTextDocument *doc = m_pane->document();
    const qsizetype over = doc->characterCount() - 1 - m_limit;
    if (m_limit < 0 || over <= 0)
        return;
    // Whole lines go, somewhat more than needed, so that trimming is not
    // done again for every batch.
    const qsizetype target = std::min<qsizetype>(over + m_limit / 64, m_openStart);
    QTextBlock block = doc->findBlock(int(target));
    int cut = block.position();
    if (cut < target && block.next().isValid() && block.next().position() <= m_openStart)
        cut = block.next().position();
    if (cut <= 0)
        return;
    QTextCursor cursor(doc);
    cursor.setPosition(0);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_trimmed += cut;
    m_notShown += cut;
    m_openStart -= cut;
}

void CPaneFeeder::showPending()
{
    m_queued = false;
    insert(m_batchChars, kTurnBudgetMs);
    // More waiting: the rest goes in on the next turn, after input and
    // painting have had theirs.
    if (m_buffer->hasPending()) {
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

void CPaneFeeder::reset()
{
    m_openStart = int(m_pane->outputEnd());
    m_trimmed = 0;
    m_notShown = 0;
    m_pane->setNotShown(0);
}
