#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>

// Every byte of one output stream of a run, kept on disk so that a pane can
// show only the latest text and Save Output still writes all of it. The
// file is created unnamed (or removed at once) in the temporary folder, so
// it goes when the run's window closes, and also when the editor dies.
class CSpillFile
{
public:
    // Empty folder: the user's temporary folder.
    explicit CSpillFile(const QString &folder = QString());
    ~CSpillFile();

    CSpillFile(const CSpillFile &) = delete;
    CSpillFile &operator=(const CSpillFile &) = delete;

    // Reader thread: appends the bytes. False once the file could not be
    // created or written; nothing is kept from then on.
    bool append(QByteArrayView bytes);
    qint64 size() const { return m_size.load(); }
    bool failed() const { return m_failed.load(); }
    // Why keeping the output failed; empty while it works.
    QString error() const;

    // Up to `length` bytes from `offset`.
    QByteArray read(qint64 offset, qint64 length) const;
    // Writes every byte kept so far to `path`, replacing a file there only
    // once all of it is written. Empty on success, else what failed and why.
    QString saveTo(const QString &path) const;

private:
    bool open();
    void fail(const QString &reason);

    QString m_folder;
    std::atomic<int> m_fd{-1};   // opened by the writer, read by Save Output
    std::atomic<qint64> m_size{0};
    std::atomic<bool> m_failed{false};
    mutable std::mutex m_errorMutex;
    QString m_error;
};
