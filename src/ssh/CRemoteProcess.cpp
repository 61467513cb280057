#include "CRemoteProcess.h"

#include "run/CPipe.h"
#include "run/CProcessListener.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A copy of the end that the command's side uses, kept from the children the editor starts.
int takeEnd(int fd, bool nonBlocking)
{
    if (fd < 0)
        return -1;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0 && nonBlocking)
        ::fcntl(copy, F_SETFL, ::fcntl(copy, F_GETFL) | O_NONBLOCK);
    return copy;
}

} // namespace

CRemoteProcess::CRemoteProcess(CSshSession &session)
    : m_session(session)
{
}

CRemoteProcess::~CRemoteProcess()
{
    if (m_waiter.joinable()) {
        // Without an end from the session the waiter would wait for ever.
        if (!m_completed)
            ended(NoExitCode);
        m_waiter.join();
    }
    closeOutputs();
    if (m_inFd >= 0)
        ::close(m_inFd);
}

bool CRemoteProcess::AttachPipes(CPipe *stdinPipe, CPipe *stdoutPipe, CPipe *stderrPipe)
{
    m_inFd = stdinPipe ? takeEnd(stdinPipe->readEnd(), false) : -1;
    m_outFds[0] = takeEnd(stdoutPipe->writeEnd(), true);
    m_outFds[1] = takeEnd(stderrPipe->writeEnd(), true);
    if ((stdinPipe && m_inFd < 0) || m_outFds[0] < 0 || m_outFds[1] < 0)
        return false;
    // Only this object's copies stay, so the window's readers see the end of
    // the output once the command's channel has ended.
    if (stdinPipe)
        stdinPipe->CloseReadEnd();
    stdoutPipe->CloseWriteEnd();
    stderrPipe->CloseWriteEnd();
    return true;
}

void CRemoteProcess::Start(const QString &command)
{
    m_session.setSink(this);
    m_session.openCommand(command);
    if (m_inFd >= 0)
        m_session.setInputFd(std::exchange(m_inFd, -1));
}

qsizetype CRemoteProcess::take(Stream stream, QByteArrayView bytes)
{
    const int fd = m_outFds[stream];
    if (fd < 0)
        return bytes.size();
    for (;;) {
        const ssize_t n = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        // A full pipe: the window's reader has not caught up yet.
        if (errno == EAGAIN)
            return 0;
        // Nobody reads any more: the rest is dropped.
        return bytes.size();
    }
}

void CRemoteProcess::closeOutputs()
{
    for (auto &fd : m_outFds) {
        if (const int was = fd.exchange(-1); was >= 0)
            ::close(was);
    }
}

void CRemoteProcess::ended(long exitCode)
{
    closeOutputs();
    std::lock_guard lock(m_mutex);
    if (m_completed)
        return;
    m_exitCode = m_killed ? 128 + SIGKILL : exitCode;
    m_completed = true;
    m_done.notify_all();
}

void CRemoteProcess::Kill()
{
    if (m_completed || m_killed.exchange(true))
        return;
    m_session.sendSignal("KILL");
    m_session.closeChannel(128 + SIGKILL);
}

void CRemoteProcess::StartWaiter(int)
{
    if (m_waiter.joinable())
        return;
    m_waiter = std::thread([this] {
        {
            std::unique_lock lock(m_mutex);
            m_done.wait(lock, [this] { return m_completed.load(); });
        }
        if (m_pListener)
            m_pListener->OnProcessCompleted();
    });
}

void CRemoteProcess::JoinWaiter()
{
    if (m_waiter.joinable())
        m_waiter.join();
}
