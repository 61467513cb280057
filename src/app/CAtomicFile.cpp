#include "CAtomicFile.h"

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

} // namespace

QString CAtomicFile::write(const QString &path, const QByteArray &bytes, std::optional<mode_t> mode)
{
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        if (!resolved.isEmpty())
            target = resolved;
    }
    const QByteArray targetPath = QFile::encodeName(target);

    mode_t newMode = mode.value_or(0);
    struct stat st {};
    const bool exists = ::stat(targetPath.constData(), &st) == 0;
    if (!mode)
        newMode = exists ? (st.st_mode & 07777) : defaultMode();
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return errnoText("Cannot write", targetPath);
    }

    QByteArray tempPath = targetPath + ".XXXXXX";
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0)
        return errnoText("Cannot create a file beside", targetPath);

    auto fail = [&](const char *what) {
        const int saved = errno;
        ::close(fd);
        ::unlink(tempPath.constData());
        errno = saved;
        return errnoText(what, targetPath);
    };

    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("Cannot write");
        }
        data += n;
        left -= n;
    }
    if (::fchmod(fd, newMode) != 0)
        return fail("Cannot set the permissions of");
    if (::fsync(fd) != 0)
        return fail("Cannot write");
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(tempPath.constData());
        errno = saved;
        return errnoText("Cannot write", targetPath);
    }
    if (::rename(tempPath.constData(), targetPath.constData()) != 0) {
        const int saved = errno;
        ::unlink(tempPath.constData());
        errno = saved;
        return errnoText("Cannot replace", targetPath);
    }
    return {};
}
