#pragma once

#include "CTerminalText.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>

// The text of one output stream on its way from a reader to a pane. The
// reader appends bytes as they come; they are decoded as UTF-8 across reads
// (a character split between two reads stays whole) and interpreted as a
// terminal would show them (CTerminalText). The window takes completed lines
// and the open line in batches, one batch per turn of its event loop, so that
// a child printing megabytes never floods the window.
//
// Either a reader that gets too far ahead waits (the default), or, with
// setKeepLatest(), the oldest completed lines waiting beyond that amount are
// dropped and counted: a pane that keeps only the latest text would have
// dropped them anyway.
class COutputBuffer : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype DefaultHighWater = 4 * 1024 * 1024;

    // What the pane does next: add the completed lines (after removing the
    // open line it shows), then, when hasOpenLine, replace what it shows of
    // the open line from column openFrom on by openLine.
    struct CBatch
    {
        qsizetype dropped = 0;   // characters of completed lines dropped before `runs`
        QList<CTextRun> runs;
        bool hasOpenLine = false;
        qsizetype openFrom = 0;
        QList<CTextRun> openLine;

        bool isEmpty() const { return dropped == 0 && runs.isEmpty() && !hasOpenLine; }
        qsizetype runChars() const;
    };

    explicit COutputBuffer(QObject *parent = nullptr);
    ~COutputBuffer() override;

    // The reader waits while more than this many characters are pending.
    void setHighWater(qsizetype chars);
    // Never lets the reader wait: completed lines beyond this many pending
    // characters are dropped, oldest first, and the reader goes on. Negative: off.
    void setKeepLatest(qsizetype chars);

    // Reader thread. Returns false once the buffer has been aborted.
    bool appendBytes(QByteArrayView bytes);
    // Window thread: text of the window's own (`typed`: a line the user
    // typed), shown where the stream has got to.
    void appendText(const QString &text, bool typed);
    // Reader thread: the stream has ended; an incomplete character left
    // over is shown as a replacement character.
    void finish();

    // Window thread: completed lines of up to maxChars characters, oldest first.
    CBatch take(qsizetype maxChars);
    // Characters of completed lines waiting.
    qsizetype pending() const;
    // Anything for the pane to do.
    bool hasPending() const;
    // finish() was called and everything has been taken.
    bool isDrained() const;
    // Wakes and refuses the reader; pending text is dropped.
    void abort();
    // Window thread: drops the pending text and the open line, as when the
    // pane that it feeds has been emptied.
    void restart();

    // Characters dropped by setKeepLatest() so far.
    qsizetype dropped() const;

    // The length of the prefix of `bytes` that ends on a character boundary:
    // a trailing lead byte whose continuation bytes have not come yet is left out.
    static qsizetype completeUtf8Prefix(QByteArrayView bytes);

signals:
    // The buffer turned from empty to holding text. Emitted on the thread
    // that appended; connect it queued. It comes again only after take()
    // left nothing pending.
    void textAvailable();
    // finish() was called (emitted on the reader's thread).
    void finished();

private:
    QString decode(QByteArrayView bytes, bool atEnd);
    // m_feedMutex held: moves what the terminal produced into the queue.
    bool publish();
    bool hasPendingLocked() const { return !m_runs.empty() || m_openDirty || m_dropped > 0; }

    // Touched by the reader thread only.
    QByteArray m_partial;

    // The reader and typed input both go through the terminal.
    std::mutex m_feedMutex;
    CTerminalText m_terminal;

    mutable std::mutex m_mutex;
    std::condition_variable m_roomFreed;
    std::deque<CTextRun> m_runs;
    qsizetype m_pending = 0;
    qsizetype m_dropped = 0;        // since the last take
    qsizetype m_droppedTotal = 0;
    QList<CTextRun> m_openLine;
    qsizetype m_openFrom = 0;
    bool m_openDirty = false;
    qsizetype m_highWater = DefaultHighWater;
    qsizetype m_keepLatest = -1;
    bool m_signalled = false;
    bool m_finished = false;
    bool m_aborted = false;
};
