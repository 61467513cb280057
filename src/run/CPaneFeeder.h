#pragma once

#include <QObject>

class COutputBuffer;
class QPlainTextEdit;

// Moves the text waiting in an output buffer into a read-only pane, in
// slices, for a bounded time per turn of the event loop: a producer that
// writes megabytes never keeps input and painting from having their turn.
// Text goes at the end whatever the user clicked; the view follows it only
// while it was showing the end.
class CPaneFeeder : public QObject
{
    Q_OBJECT

public:
    CPaneFeeder(COutputBuffer *buffer, QPlainTextEdit *pane, QObject *parent);

    // At most this many characters go into the pane per turn.
    void setBatchSize(qsizetype chars) { m_batchChars = chars; }
    // Inserts everything pending at once.
    void flush();

signals:
    // One slice went into the pane at `position`; a receiver may format it.
    void sliceInserted(const QString &text, qsizetype position);
    // A batch of text went into the pane.
    void textShown();
    // A turn left nothing pending.
    void caughtUp();

private:
    void showPending();
    qsizetype insert(qsizetype maxChars, qint64 budgetMs);

    COutputBuffer *m_buffer;
    QPlainTextEdit *m_pane;
    qsizetype m_batchChars = 256 * 1024;
    bool m_queued = false;
};
