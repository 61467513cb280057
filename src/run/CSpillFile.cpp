#include "CSpillFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kCopyChunk = 1024 * 1024;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

CSpillFile::CSpillFile(const QString &folder)
    : m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::TempLocation) : folder)
{
}

CSpillFile::~CSpillFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CSpillFile::open()
{
    const QByteArray folder = QFile::encodeName(m_folder);
    int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without unnamed files: a named one, removed at once.
        QByteArray name = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral("ostrak-output-XXXXXX")));
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            fail(QStringLiteral("could not create a file in %1: %2").arg(m_folder, errnoText(errno)));
            return false;
        }
        ::unlink(name.constData());
    }
    m_fd = fd;
    return true;
}

void CSpillFile::fail(const QString &reason)
{
    {
        std::lock_guard lock(m_errorMutex);
        m_error = reason;
    }
    m_failed = true;
}

QString CSpillFile::error() const
{
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

bool CSpillFile::append(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (m_fd < 0 && !open())
        return false;
    const char *p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(QStringLiteral("could not write to a file in %1: %2").arg(m_folder, errnoText(n < 0 ? errno : ENOSPC)));
            return false;
        }
        p += n;
        left -= n;
        m_size += n;
    }
    return true;
}

QByteArray CSpillFile::read(qint64 offset, qint64 length) const
{
    QByteArray data;
    if (m_fd < 0 || offset < 0)
        return data;
    length = std::max<qint64>(0, std::min(length, size() - offset));
    data.resize(length);
    qint64 have = 0;
    while (have < length) {
        const ssize_t n = ::pread(m_fd, data.data() + have, size_t(length - have), offset + have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += n;
    }
    data.truncate(have);
    return data;
}

QString CSpillFile::saveTo(const QString &path) const
{
    if (failed())
        return QStringLiteral("the complete output was not kept (%1)").arg(error());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    const qint64 total = size();
    for (qint64 offset = 0; offset < total;) {
        const QByteArray chunk = read(offset, std::min(kCopyChunk, total - offset));
        if (chunk.isEmpty()) {
            out.cancelWriting();
            return QStringLiteral("could not read the kept output: %1").arg(errnoText(errno));
        }
        if (out.write(chunk) != chunk.size()) {
            const QString reason = out.errorString();
            out.cancelWriting();
            return reason;
        }
        offset += chunk.size();
    }
    if (!out.commit())
        return out.errorString();
    return QString();
}
