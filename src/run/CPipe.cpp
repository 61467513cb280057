#include "CPipe.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

void closeFd(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

// One probe of the poll loop.
constexpr int ProbeMilliseconds = 200;

} // namespace

CPipe::CPipe() = default;

CPipe::~CPipe()
{
    stopWriter();
    closeFd(m_readEnd.exchange(-1));
    closeFd(m_writeEnd.exchange(-1));
    closeFd(m_wakeFd);
}

bool CPipe::CreatePipeEnds()
{
    if (m_readEnd.load() >= 0 || m_writeEnd.load() >= 0)
        return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    m_readEnd = fds[0];
    m_writeEnd = fds[1];
    m_atEnd = false;
    return true;
}

int CPipe::Read(char *buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    int fd;
    {
        std::lock_guard lock(m_readMutex);
        fd = m_readEnd.load();
        if (fd < 0 || m_readClosePending)
            return 0;
        m_readBusy = true;
    }

    int got = 0;
    for (int probe = 0; probe < m_pollCount; ++probe) {
        if (m_readClosePending.load())
            break;
        // Once the reader is told to stop, one last probe that does not wait
        // still hands over what is there.
        const bool stopping = m_stopFlag && m_stopFlag->load();
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, stopping ? 0 : ProbeMilliseconds);
        if (ready < 0) {
            if (errno == EINTR && !stopping)
                continue;
            break;
        }
        if (ready == 0) {
            if (stopping)
                break;
            continue;
        }
        if (p.revents & POLLNVAL)
            break;
        if (capacity == 1) {
            // No room for a single byte besides the terminator.
            buffer[0] = '\0';
            break;
        }
        const ssize_t n = ::read(fd, buffer, static_cast<size_t>(capacity - 1));
        if (n > 0) {
            buffer[n] = '\0';
            got = static_cast<int>(n);
            break;
        }
        if (n == 0) {
            // Every write end is closed and the pipe is empty.
            m_atEnd = true;
            break;
        }
        if (errno == EINTR || errno == EAGAIN)
            continue;
        break;
    }

    std::lock_guard lock(m_readMutex);
    m_readBusy = false;
    if (m_readClosePending) {
        m_readClosePending = false;
        m_readEnd = -1;
        ::close(fd);
    }
    return got;
}

int CPipe::Write(const QByteArray &text)
{
    if (text.isEmpty())
        return 0;
    std::lock_guard lock(m_mutex);
    if (m_writeEnd.load() < 0 || m_closeWhenDrained || m_stopWriter || m_writerBroken)
        return 0;
    if (!m_writer.joinable()) {
        if (m_wakeFd < 0)
            m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // Only the editor holds this end (it is close-on-exec), so making it
        // non-blocking changes nothing for the child.
        const int fd = m_writeEnd.load();
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        m_writer = std::thread(&CPipe::writerLoop, this);
    }
    m_queue.push_back(text);
    m_wake.notify_one();
    return 0;
}

int CPipe::CloseBoth()
{
    CloseReadEnd();
    bool closeNow;
    {
        std::lock_guard lock(m_mutex);
        m_closeWhenDrained = true;
        // A running writer closes the end itself once the queue is empty.
        closeNow = !m_writer.joinable();
        m_wake.notify_one();
    }
    if (closeNow)
        closeFd(m_writeEnd.exchange(-1));
    return 1;
}

void CPipe::CloseReadEnd()
{
    std::lock_guard lock(m_readMutex);
    const int fd = m_readEnd.load();
    if (fd < 0)
        return;
    if (m_readBusy) {
        // The reader closes it when its current probe ends, so the number
        // cannot be reused under a running poll().
        m_readClosePending = true;
        return;
    }
    m_readEnd = -1;
    ::close(fd);
}

void CPipe::CloseWriteEnd()
{
    stopWriter();
    closeFd(m_writeEnd.exchange(-1));
}

void CPipe::stopWriter()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_writer.joinable())
            return;
        m_stopWriter = true;
        m_queue.clear();
        m_wake.notify_one();
    }
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    m_writer.join();
}

bool CPipe::writeAll(const QByteArray &chunk)
{
    const int fd = m_writeEnd.load();
    const char *data = chunk.constData();
    qsizetype offset = 0;
    while (offset < chunk.size()) {
        if (m_stopWriter.load())
            return false;
        const ssize_t n = ::write(fd, data + offset, static_cast<size_t>(chunk.size() - offset));
        if (n > 0) {
            offset += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // Full pipe: wait for room, or for the owner to stop us.
            pollfd fds[2] = {{fd, POLLOUT, 0}, {m_wakeFd, POLLIN, 0}};
            if (::poll(fds, m_wakeFd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
                return false;
            continue;
        }
        // EPIPE (nobody reads any more) or another failure: the rest is dropped.
        return false;
    }
    return true;
}

void CPipe::writerLoop()
{
    // A reader that has gone must give EPIPE here, never kill the editor,
    // whatever the process does with SIGPIPE.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopWriter.load() || !m_queue.empty() || m_closeWhenDrained; });
            if (m_stopWriter)
                return; // the owner closes the end
            if (m_queue.empty()) {
                // Drained after CloseBoth.
                closeFd(m_writeEnd.exchange(-1));
                return;
            }
            chunk = m_queue.front();
        }
        const bool ok = writeAll(chunk);
        std::lock_guard lock(m_mutex);
        if (m_stopWriter)
            return;
        if (!m_queue.empty())
            m_queue.pop_front();
        if (!ok) {
            m_writerBroken = true;
            m_queue.clear();
            closeFd(m_writeEnd.exchange(-1));
            return;
        }
    }
}
