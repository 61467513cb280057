#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>

// The text of one output stream on its way from a reader thread to a pane.
// The reader appends bytes as they come; the window takes the text in
// batches, one batch per turn of its event loop, so that a child printing
// megabytes never floods the window. A reader that gets too far ahead waits.
//
// Bytes are decoded as UTF-8 across reads (a character split between two
// reads stays whole); a zero byte is kept as U+2400 so that it cuts nothing;
// CR LF and a lone CR become one LF, also when split between two reads.
class COutputBuffer : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype DefaultHighWater = 4 * 1024 * 1024;

    explicit COutputBuffer(QObject *parent = nullptr);
    ~COutputBuffer() override;

    // At most this many characters are ever accepted; the rest is dropped
    // without holding up the reader. Negative: no limit.
    void setLimit(qsizetype maxChars);
    // The reader waits while more than this many characters are pending.
    void setHighWater(qsizetype chars);

    // Reader thread. Returns false once the buffer has been aborted.
    bool appendBytes(QByteArrayView bytes);
    // Reader thread: the stream has ended; an incomplete character left
    // over is shown as replacement characters.
    void finish();

    // Window thread: up to maxChars characters of pending text, oldest first.
    QString take(qsizetype maxChars);
    qsizetype pending() const;
    // finish() was called and everything has been taken.
    bool isDrained() const;
    // Wakes and refuses the reader; pending text is dropped.
    void abort();
    // Window thread: drops the pending text and counts towards the limit
    // afresh, as when the pane that it feeds has been emptied.
    void restart();

    // Characters accepted so far (taken or pending), and dropped at the limit.
    qsizetype accepted() const;
    qsizetype dropped() const;

    // The length of the prefix of `bytes` that ends on a character boundary:
    // a trailing lead byte whose continuation bytes have not come yet is left out.
    static qsizetype completeUtf8Prefix(QByteArrayView bytes);

signals:
    // The buffer turned from empty to holding text. Emitted on the reader's
    // thread; connect it queued. It comes again only after take() emptied it.
    void textAvailable();
    // finish() was called (emitted on the reader's thread).
    void finished();

private:
    QString decode(QByteArrayView bytes, bool atEnd);
    bool push(QString text);

    // Touched by the reader thread only.
    QByteArray m_partial;
    bool m_lastWasCr = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_roomFreed;
    std::deque<QString> m_chunks;
    qsizetype m_pending = 0;
    qsizetype m_accepted = 0;
    qsizetype m_dropped = 0;
    qsizetype m_limit = -1;
    qsizetype m_highWater = DefaultHighWater;
    bool m_signalled = false;
    bool m_finished = false;
    bool m_aborted = false;
};
