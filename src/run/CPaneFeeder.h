#pragma once

#include <QObject>

class COutputBuffer;
class CTerminalPane;
struct CTextRun;

// Moves the text waiting in an output buffer into a pane, in slices, for a
// bounded time per turn of the event loop: a producer that writes megabytes
// never keeps input and painting from having their turn. Text goes at the
// end of the output whatever the user clicked; the view follows it only
// while it was showing the end. The pane keeps at most its limit of text:
// the oldest lines go, and the pane says how much is not shown.
class CPaneFeeder : public QObject
{
    Q_OBJECT

public:
    CPaneFeeder(COutputBuffer *buffer, CTerminalPane *pane, QObject *parent);

    // The most text the pane keeps; negative: no limit.
    void setLimit(qsizetype chars) { m_limit = chars; }
    qsizetype limit() const { return m_limit; }
    // Inserts everything pending at once.
    void flush();
    // The pane was emptied.
    void reset();

    // Characters removed from the start of the pane so far: a position in
    // the stream less this is a position in the pane.
    qsizetype trimmed() const { return m_trimmed; }
    // Characters of the stream not shown (dropped before the pane or removed from it).
    qsizetype notShown() const { return m_notShown; }

signals:
    // Completed lines went into the pane at `position`, counted in the
    // whole stream (see trimmed()); a receiver may format them.
    void sliceInserted(const QString &text, qsizetype position);
    // A batch of text went into the pane.
    void textShown();
    // A turn left nothing pending.
    void caughtUp();

private:
    void showPending();
    qsizetype insert(qsizetype maxChars, qint64 budgetMs);
    void insertRuns(int &position, const QList<CTextRun> &runs);
    void trim();

    COutputBuffer *m_buffer;
    CTerminalPane *m_pane;
    qsizetype m_batchChars = 256 * 1024;   // at most this much per turn
    qsizetype m_limit = -1;
    qsizetype m_trimmed = 0;
    qsizetype m_notShown = 0;
    int m_openStart = 0;   // where the open line starts in the pane
    bool m_queued = false;
};
