#include "CSaveLeftovers.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kTag = ".ostrak-save-";
// Leading dot, tag, ten digits of a pid, '-', six random characters.
constexpr qsizetype kOverhead = 1 + 13 + 10 + 1 + 6;

// The target's name as it appears in a temporary name: cut so that the whole
// name stays within NAME_MAX.
QByteArray namePart(const QByteArray &targetName)
{
    return targetName.left(NAME_MAX - kOverhead);
}

QByteArray readLink(const QByteArray &link)
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    QByteArray path(buf, n);
    // A program replaced on disk while running still counts as itself.
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return path;
}

QByteArray readLine(const QByteArray &file)
{
    QFile f(QString::fromLocal8Bit(file));
    return f.open(QIODevice::ReadOnly) ? f.readLine().trimmed() : QByteArray();
}

QByteArray procFile(pid_t pid, const char *what)
{
    return "/proc/" + QByteArray::number(pid) + "/" + what;
}

} // namespace

QByteArray CSaveLeftovers::tempTemplate(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = target.left(slash + 1);
    return dir + "." + namePart(target.mid(slash + 1)) + kTag + QByteArray::number(::getpid()) + "-XXXXXX";
}

pid_t CSaveLeftovers::ownerOf(const QByteArray &name, const QByteArray &targetName)
{
    const QByteArray prefix = "." + namePart(targetName) + kTag;
    if (!name.startsWith(prefix))
        return 0;
    const QByteArray rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash < 1 || dash > 10 || rest.size() != dash + 7 || rest.at(0) == '0')
        return 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const char c = rest.at(i);
        const bool digit = c >= '0' && c <= '9';
        const bool alnum = digit || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (i < dash ? !digit : i > dash && !alnum)
            return 0;
    }
    bool ok = false;
    const qlonglong pid = rest.left(dash).toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX ? pid_t(pid) : 0;
}

// A pid can be reused once its owner died, so a live pid alone proves little;
// but deleting a save in flight loses data, so doubt keeps the file. The owner
// counts as running unless the pid is gone, a zombie, or a process whose
// program is neither this one nor one called "ostrak" (by its executable when
// /proc lets us read it, else by its command name).
bool CSaveLeftovers::ownerRunning(pid_t pid)
{
    if (pid == ::getpid())
        return true;
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return false;
    const QByteArray stat = readLine(procFile(pid, "stat"));
    const qsizetype paren = stat.lastIndexOf(')');
    if (paren > 0 && paren + 2 < stat.size() && stat.at(paren + 2) == 'Z')
        return false;
    const QByteArray exe = readLink(procFile(pid, "exe"));
    if (!exe.isEmpty())
        return exe == readLink("/proc/self/exe") || exe.mid(exe.lastIndexOf('/') + 1) == "ostrak";
    const QByteArray comm = readLine(procFile(pid, "comm"));
    if (comm.isEmpty())
        return true;
    return comm == "ostrak" || comm == readLine("/proc/self/comm");
}

int CSaveLeftovers::remove(const QString &target)
{
    const QByteArray path = QFile::encodeName(target);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray dirPath = slash < 0 ? QByteArray(".") : path.left(qMax<qsizetype>(slash, 1));
    const QByteArray targetName = path.mid(slash + 1);
    int removed = 0;
    DIR *dir = ::opendir(dirPath.constData());
    if (!dir)
        return 0;
    while (const dirent *entry = ::readdir(dir)) {
        // Byte for byte: a glob would read '[' or '*' in the target's name.
        const QByteArray name(entry->d_name);
        const pid_t owner = ownerOf(name, targetName);
        if (owner == 0 || ownerRunning(owner))
            continue;
        const QByteArray leftover = dirPath + "/" + name;
        struct stat st {};
        // Only plain files of our own; never a link or someone else's file.
        if (::lstat(leftover.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::unlink(leftover.constData()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}
