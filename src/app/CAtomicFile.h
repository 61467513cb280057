#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// Replaces a file's content all at once: the bytes go to a hidden temporary
// file in the same folder, which is flushed to disk and renamed over the
// target. A write that fails at any step leaves the old file whole, and the
// temporary files of writes that were killed are removed by the next one.
class CAtomicFile
{
public:
    // `mode` is the new file's permission bits; without it an existing file
    // keeps its own and a new one gets 0666 less the umask. A symbolic link
    // is followed, so its target is replaced and the link stays.
    // Returns an empty string on success, else a description of the failure.
    static QString write(const QString &path, const QByteArray &bytes,
                         std::optional<mode_t> mode = std::nullopt);

    // Removes what killed writes of `path` left beside it; returns how many.
    static int removeLeftovers(const QString &path);

    // The same in steps, for content that arrives in pieces (a download):
    // open(), append() as often as needed, then commit(). Every step returns
    // an error text, empty on success; after a failure, or without commit(),
    // the temporary file is removed and the target is untouched.
    explicit CAtomicFile(const QString &path, std::optional<mode_t> mode = std::nullopt);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile &) = delete;
    CAtomicFile &operator=(const CAtomicFile &) = delete;

    QString open();
    QString append(const char *data, qsizetype size);
    QString append(const QByteArray &bytes) { return append(bytes.constData(), bytes.size()); }
    QString commit();
    void discard();
    // The temporary file being written; empty when none is open.
    QString temporaryPath() const;

private:
    QString fail(const char *what);

    QString m_path;
    std::optional<mode_t> m_mode;
    QByteArray m_target;
    QByteArray m_temp;
    mode_t m_newMode = 0;
    int m_fd = -1;
};
