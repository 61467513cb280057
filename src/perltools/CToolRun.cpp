#include "CToolRun.h"

#include "run/CPipe.h"
#include "run/CProcess.h"

#include <QFileInfo>

#include <chrono>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// One of the tool's output streams, read without blocking. Past the limit
// the first and the last half of it are kept: a tool's verdict comes at
// the end of what it prints.
struct Stream
{
    CPipe *pipe = nullptr;
    QByteArray *kept = nullptr;
    qsizetype limit = 0;
    bool *cut = nullptr;
    bool open = false;
    QByteArray tail;

    void keep(const char *data, qsizetype n)
    {
        const qsizetype room = limit / 2 - kept->size();
        if (room > 0 && !*cut) {
            const qsizetype head = std::min(room, n);
            kept->append(data, head);
            data += head;
            n -= head;
        }
        if (n == 0)
            return;
        tail.append(data, n);
        if (kept->size() + tail.size() > limit) {
            *cut = true;
            tail.remove(0, tail.size() - (limit - limit / 2));
        }
    }

    void finish() { kept->append(tail); }

    // Reads what is there; false once the stream has ended.
    bool drain()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(pipe->readEnd(), buffer, sizeof buffer);
            if (n > 0) {
                keep(buffer, n);
                continue;
            }
            if (n == 0)
                return false;
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
};

} // namespace

bool CToolResult::programMissing() const
{
    return !started && (startError == ENOENT || startError == ENOTDIR);
}

QString CToolResult::startProblem(const QString &tool, const QString &package) const
{
    if (programMissing())
        return QStringLiteral("%1 is not installed. Install the Debian package %2 (apt-get install %2).").arg(tool, package);
    return QStringLiteral("%1 could not be started: %2").arg(tool, QString::fromLocal8Bit(std::strerror(startError)));
}

CToolRun::CToolRun(const QString &program, const QStringList &arguments)
    : m_program(program)
    , m_arguments(arguments)
{
}

CToolResult CToolRun::run(const std::atomic<bool> *cancel) const
{
    CToolResult result;
    auto in = std::make_unique<CPipe>();
    auto out = m_outputLimit > 0 ? std::make_unique<CPipe>() : nullptr;
    auto err = std::make_unique<CPipe>();
    if (!in->CreatePipeEnds() || (out && !out->CreatePipeEnds()) || !err->CreatePipeEnds()) {
        result.startError = errno;
        return result;
    }
    CProcess process(m_program, m_arguments);
    // A script's folder that has gone (a script never saved there) is no reason not to run.
    if (!m_directory.isEmpty() && QFileInfo(m_directory).isDir())
        process.SetWorkingDirectory(m_directory);
    process.AttachPipes(in.get(), out.get(), err.get());
    if (!process.Start()) {
        result.startError = process.lastError();
        return result;
    }
    result.started = true;
    process.StartWaiter();
    if (!m_input.isEmpty())
        in->Write(m_input);
    in->CloseBoth();

    Stream streams[2] = {{out.get(), &result.output, m_outputLimit, &result.outputCut, out != nullptr, {}},
                         {err.get(), &result.errors, m_errorLimit, &result.errorsCut, true, {}}};
    for (Stream &s : streams)
        if (s.open)
            ::fcntl(s.pipe->readEnd(), F_SETFL, ::fcntl(s.pipe->readEnd(), F_GETFL) | O_NONBLOCK);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeLimitMs);
    // A tool that closed its streams may still run: it is waited for too.
    while (streams[0].open || streams[1].open || !process.IsCompleted()) {
        if (cancel && cancel->load()) {
            result.cancelled = true;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fds[2];
        int count = 0;
        Stream *which[2];
        for (Stream &s : streams) {
            if (s.open) {
                fds[count] = {s.pipe->readEnd(), POLLIN, 0};
                which[count++] = &s;
            }
        }
        // Short slices, so that a cancel and the end are seen soon.
        if (::poll(fds, count, static_cast<int>(std::min<long long>(left, count > 0 ? 50 : 10))) <= 0)
            continue;
        for (int i = 0; i < count; ++i)
            if (fds[i].revents != 0)
                which[i]->open = which[i]->drain();
    }
    for (Stream &s : streams)
        if (s.kept && s.limit > 0)
            s.finish();
    if (result.timedOut || result.cancelled)
        process.Kill();
    process.JoinWaiter();
    result.exitCode = process.GetExitCode();
    return result;
}
