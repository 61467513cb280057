#include "CProcess.h"

#include "CPipe.h"
#include "CProcessListener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the child reports through its close-on-exec report pipe.
struct ChildReport
{
    int stage; // SetupFailed or ExecFailed
    int error;
};
enum : int { SetupFailed = 1, ExecFailed = 2 };

void closeFd(int &fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Reads one report; false at end of data (the report end was closed by a
// successful exec or by the child's death).
bool readReport(int fd, ChildReport &report)
{
    char *p = reinterpret_cast<char *>(&report);
    size_t have = 0;
    while (have < sizeof report) {
        const ssize_t n = ::read(fd, p + have, sizeof report - have);
        if (n > 0)
            have += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

// Only async-signal-safe calls from here on: the editor has other threads.
[[noreturn]] void failInChild(int reportFd, int stage)
{
    const ChildReport report{stage, errno};
    [[maybe_unused]] ssize_t n = ::write(reportFd, &report, sizeof report);
    ::_exit(127);
}

constexpr int AllAbove = -1;

// Closes the descriptors first..last, or all from first on when last is
// AllAbove; without close_range() up to the descriptor limit maxFd.
// Async-signal-safe.
void closeRange(int first, int last, int maxFd)
{
    if (last != AllAbove && first > last)
        return;
    const unsigned end = last == AllAbove ? ~0U : static_cast<unsigned>(last);
    if (::close_range(static_cast<unsigned>(first), end, 0) == 0)
        return;
    const int stop = last == AllAbove ? maxFd - 1 : last;
    for (int fd = first; fd <= stop; ++fd)
        ::close(fd);
}

long exitCodeFromStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return CProcess::NoExitCode;
}

} // namespace

CProcess::CProcess() = default;

CProcess::CProcess(const QString &program, const QStringList &arguments)
    : m_program(program)
    , m_arguments(arguments)
{
}

CProcess::~CProcess()
{
    JoinWaiter();
    std::lock_guard lock(m_reapMutex);
    if (m_pid > 0 && !m_reaped.load()) {
        // Nobody waits for this child (a program started and dropped):
        // reap it when it ends so that it does not stay a zombie.
        const pid_t pid = m_pid;
        std::thread([pid] {
            int status;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
        m_reaped = true;
    }
}

void CProcess::AttachPipes(CPipe *stdinPipe, CPipe *stdoutPipe, CPipe *stderrPipe)
{
    m_usePipes = true;
    m_stdin = stdinPipe;
    m_stdout = stdoutPipe;
    m_stderr = stderrPipe;
}

void CProcess::SetWorkingDirectory(const QString &directory)
{
    m_workingDirectory = directory;
}

void CProcess::SetEnvironmentValue(const QString &name, const QString &value)
{
    if (name.isEmpty() || name.contains(QLatin1Char('=')) || name.contains(QChar()))
        return;
    const QString prefix = name + QLatin1Char('=');
    m_environmentValues.erase(std::remove_if(m_environmentValues.begin(), m_environmentValues.end(),
                                             [&](const QString &e) { return e.startsWith(prefix); }),
                              m_environmentValues.end());
    m_environmentValues << prefix + value;
}

QString CProcess::resolveProgram(int &error) const
{
    error = 0;
    if (m_program.isEmpty()) {
        error = ENOENT;
        return {};
    }
    QString path;
    if (m_program.contains(QLatin1Char('/'))) {
        // A relative path names a file below the editor's own folder, as
        // the program is looked up before the child changes folder.
        path = QFileInfo(m_program).absoluteFilePath();
    } else {
        path = QStandardPaths::findExecutable(m_program);
        if (path.isEmpty()) {
            error = ENOENT;
            return {};
        }
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        error = errno;
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        error = EACCES;
        return {};
    }
    if (::access(native.constData(), X_OK) != 0) {
        error = errno;
        return {};
    }
    return path;
}

void CProcess::setEnvironment(const QStringList &environment)
{
    m_environment = environment;
}

int CProcess::Start(int flags)
{
    Q_UNUSED(flags); // the child always starts in a new group of its own
    if (m_pid > 0) {
        m_lastError = EBUSY;
        return 0;
    }

    int error = 0;
    const QString path = resolveProgram(error);
    if (path.isEmpty()) {
        m_lastError = error;
        return 0;
    }

    // Everything the child needs is prepared before fork().
    const std::string nativePath = QFile::encodeName(path).toStdString();
    std::vector<std::string> args;
    args.push_back(QFile::encodeName(m_program).toStdString());
    for (const QString &a : m_arguments)
        args.push_back(QFile::encodeName(a).toStdString());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string directory = QFile::encodeName(m_workingDirectory).toStdString();
    std::vector<std::string> envEntries;
    std::vector<char *> envp;
    std::optional<QStringList> environment = m_environment;
    if (!m_environmentValues.isEmpty()) {
        if (!environment)
            environment = QProcess::systemEnvironment();
        for (const QString &entry : m_environmentValues) {
            const QString prefix = entry.left(entry.indexOf(QLatin1Char('=')) + 1);
            environment->erase(std::remove_if(environment->begin(), environment->end(),
                                              [&](const QString &e) { return e.startsWith(prefix); }),
                               environment->end());
            environment->append(entry);
        }
    }
    if (environment) {
        for (const QString &e : *environment)
            envEntries.push_back(QFile::encodeName(e).toStdString());
        for (std::string &e : envEntries)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }

    int devNull = -1;
    auto childEnd = [&](CPipe *pipe, bool readSide) {
        if (m_usePipes && pipe) {
            const int fd = readSide ? pipe->readEnd() : pipe->writeEnd();
            if (fd >= 0)
                return fd;
        }
        if (devNull < 0)
            devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        return devNull;
    };
    // Without pipes the child keeps the editor's output and error streams.
    const int sources[3] = {childEnd(m_stdin, true),
                            m_usePipes ? childEnd(m_stdout, false) : STDOUT_FILENO,
                            m_usePipes ? childEnd(m_stderr, false) : STDERR_FILENO};

    rlimit limit{};
    int maxFd = 65536;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && limit.rlim_cur < static_cast<rlim_t>(maxFd))
        maxFd = static_cast<int>(limit.rlim_cur);

    // The child reports a failed set-up or exec here; a successful exec
    // closes the pipe, so Start knows the program runs before it returns.
    int reportPipe[2];
    if (::pipe2(reportPipe, O_CLOEXEC) != 0) {
        m_lastError = errno;
        closeFd(devNull);
        return 0;
    }

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int reportFd = reportPipe[1];

        // Signal handlers and ignored signals of the editor (SIGPIPE) are not
        // the child's; neither is the forking thread's signal mask.
        struct sigaction dfl{};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        for (int s = 1; s < NSIG; ++s) {
            if (s != SIGKILL && s != SIGSTOP)
                ::sigaction(s, &dfl, nullptr);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);

        // A session of its own: a process group for Kill, and no controlling
        // terminal, so that a program that looks for one (the debugger) uses
        // its pipes even when the editor was started from a shell.
        if (::setsid() < 0)
            failInChild(reportFd, SetupFailed);

        // Copies above 2 first, so that no source is overwritten before it is used.
        int high[3];
        for (int i = 0; i < 3; ++i) {
            high[i] = ::fcntl(sources[i], F_DUPFD_CLOEXEC, 3);
            if (high[i] < 0)
                failInChild(reportFd, SetupFailed);
        }
        for (int i = 0; i < 3; ++i) {
            if (::dup2(high[i], i) < 0)
                failInChild(reportFd, SetupFailed);
        }
        if (!directory.empty() && ::chdir(directory.c_str()) != 0)
            failInChild(reportFd, SetupFailed);

        // Nothing of the editor above fd 2 reaches the program.
        closeRange(3, reportFd - 1, maxFd);
        closeRange(reportFd + 1, AllAbove, maxFd);

        if (environment)
            ::execve(nativePath.c_str(), argv.data(), envp.data());
        else
            ::execv(nativePath.c_str(), argv.data());
        failInChild(reportFd, ExecFailed);
    }

    closeFd(reportPipe[1]);
    closeFd(devNull);
    if (pid < 0) {
        m_lastError = errno;
        closeFd(reportPipe[0]);
        return 0;
    }

    ChildReport report{};
    const bool failed = readReport(reportPipe[0], report);
    closeFd(reportPipe[0]);
    if (failed) {
        m_lastError = report.error;
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return 0;
    }

    m_pid = pid;
    m_lastError = 0;
    m_exitCode = StillActive;

    // The child has its own copies; the editor's would keep the pipes from
    // ever reporting end of data.
    if (m_usePipes) {
        if (m_stdin)
            m_stdin->CloseReadEnd();
        if (m_stdout)
            m_stdout->CloseWriteEnd();
        if (m_stderr)
            m_stderr->CloseWriteEnd();
    }
    return 1;
}

void CProcess::Resume()
{
    // The program already runs once Start has returned: starting it
    // stopped would hide exec failures from Start.
}

void CProcess::StartWaiter(int unused)
{
    Q_UNUSED(unused);
    if (m_waiter.joinable())
        return;
    m_done = false;
    m_completed = false;
    m_waiter = std::thread(&CProcess::waiterLoop, this);
}

void CProcess::JoinWaiter()
{
    if (m_waiter.joinable() && m_waiter.get_id() != std::this_thread::get_id())
        m_waiter.join();
}

void CProcess::reapLocked(bool block) const
{
    if (m_pid <= 0 || m_reaped.load())
        return;
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(m_pid, &status, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (r == 0)
        return; // still running
    m_exitCode = r == m_pid ? exitCodeFromStatus(status) : NoExitCode;
    m_reaped = true;
}

long CProcess::GetExitCode() const
{
    if (m_pid <= 0)
        return NoExitCode;
    std::lock_guard lock(m_reapMutex);
    reapLocked(false);
    return m_exitCode.load();
}

void CProcess::Kill()
{
    m_done = true;
    std::lock_guard lock(m_reapMutex);
    // Until it is reaped the child's pid, and with it its group id, cannot
    // be given to another process.
    if (m_pid > 0 && !m_reaped.load())
        ::kill(-m_pid, SIGKILL);
}

void CProcess::waiterLoop()
{
    if (m_pid <= 0) {
        m_exitCode = NoExitCode;
    } else {
        // Wait without reaping, so that Kill can still tell a live pid from
        // a reused one; stopped children are not reported.
        // GetExitCode may have reaped it already; its pid may then be another
        // child's by now.
        if (!m_reaped.load()) {
            siginfo_t info{};
            while (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
            }
        }
        std::lock_guard lock(m_reapMutex);
        reapLocked(true);
    }
    m_done = true;
    m_completed = true;
    if (m_pListener)
        m_pListener->OnProcessCompleted();
}
