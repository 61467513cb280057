#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// Replaces a file's content all at once: the bytes go to a temporary file in
// the same folder, which is flushed to disk and renamed over the target. A
// write that fails at any step leaves the old file whole.
class CAtomicFile
{
public:
    // `mode` is the new file's permission bits; without it an existing file
    // keeps its own and a new one gets 0666 less the umask. A symbolic link
    // is followed, so its target is replaced and the link stays.
    // Returns an empty string on success, else a description of the failure.
    static QString write(const QString &path, const QByteArray &bytes,
                         std::optional<mode_t> mode = std::nullopt);
};
