#include "CAtomicFile.h"

#include "CSaveLeftovers.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(const char *what, const QByteArray &path)
{
    return QStringLiteral("%1 %2: %3").arg(QLatin1String(what), QString::fromLocal8Bit(path),
                                           QString::fromLocal8Bit(std::strerror(errno)));
}

mode_t defaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A symbolic link is replaced through: its target is the file written.
QString resolved(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return path;
}

} // namespace

QString CAtomicFile::write(const QString &path, const QByteArray &bytes, std::optional<mode_t> mode)
{
    CAtomicFile file(path, mode);
    QString error = file.open();
    if (error.isEmpty())
        error = file.append(bytes);
    if (error.isEmpty())
        error = file.commit();
    return error;
}

int CAtomicFile::removeLeftovers(const QString &path)
{
    return CSaveLeftovers::remove(resolved(path));
}

CAtomicFile::CAtomicFile(const QString &path, std::optional<mode_t> mode)
    : m_path(path)
    , m_mode(mode)
{
}

CAtomicFile::~CAtomicFile()
{
    discard();
}

QString CAtomicFile::open()
{
    discard();
    const QString target = resolved(m_path);
    m_target = QFile::encodeName(target);

    struct stat st {};
    const bool exists = ::stat(m_target.constData(), &st) == 0;
    m_newMode = m_mode ? *m_mode : exists ? (st.st_mode & 07777) : defaultMode();
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return errnoText("Cannot write", m_target);
    }

    CSaveLeftovers::remove(target);
    m_temp = CSaveLeftovers::tempTemplate(m_target);
    m_fd = ::mkstemp(m_temp.data());
    if (m_fd < 0) {
        m_temp.clear();
        return errnoText("Cannot create a file beside", m_target);
    }
    return {};
}

QString CAtomicFile::append(const char *data, qsizetype size)
{
    if (m_fd < 0) {
        errno = EBADF;
        return errnoText("Cannot write", m_target.isEmpty() ? QFile::encodeName(m_path) : m_target);
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("Cannot write");
        }
        data += n;
        size -= n;
    }
    return {};
}

QString CAtomicFile::commit()
{
    if (m_fd < 0) {
        errno = EBADF;
        return errnoText("Cannot write", m_target.isEmpty() ? QFile::encodeName(m_path) : m_target);
    }
    if (::fchmod(m_fd, m_newMode) != 0)
        return fail("Cannot set the permissions of");
    if (::fsync(m_fd) != 0)
        return fail("Cannot write");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail("Cannot write");
    if (::rename(m_temp.constData(), m_target.constData()) != 0)
        return fail("Cannot replace");
    m_temp.clear();
    return {};
}

void CAtomicFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
    m_temp.clear();
}

QString CAtomicFile::temporaryPath() const
{
    return QFile::decodeName(m_temp);
}

QString CAtomicFile::fail(const char *what)
{
    const int saved = errno;
    discard();
    errno = saved;
    return errnoText(what, m_target);
}
