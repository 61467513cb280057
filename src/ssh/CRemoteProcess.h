#pragma once

#include "CSshSession.h"
#include "run/CRunningProgram.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CPipe;

// A command running on the server over an opened session's channel, seen
// by the output window as a running program: its output and errors go into
// the run's pipes, what the window writes to the input pipe reaches the
// command, and its exit status is the run's exit code. Kill sends KILL and
// closes the channel.
class CRemoteProcess : public CRunningProgram, public CSshChannelSink
{
public:
    explicit CRemoteProcess(CSshSession &session);
    // Joins the waiter; the session must have ended the channel or be gone.
    ~CRemoteProcess() override;

    CRemoteProcess(const CRemoteProcess &) = delete;
    CRemoteProcess &operator=(const CRemoteProcess &) = delete;

    // Takes over the command's ends of the three pipes (created by the
    // caller); the editor's ends stay with the window. False when they
    // could not be taken.
    bool AttachPipes(CPipe *stdinPipe, CPipe *stdoutPipe, CPipe *stderrPipe);
    // Opens the channel for the command; the session reports channelOpened() or failed().
    void Start(const QString &command);

    long GetExitCode() const override { return m_exitCode.load(); }
    bool IsCompleted() const override { return m_completed.load(); }
    void Kill() override;
    void StartWaiter(int unused = 0) override;
    void JoinWaiter() override;

    // The session's thread.
    qsizetype take(Stream stream, QByteArrayView bytes) override;
    void ended(long exitCode) override;

private:
    void closeOutputs();

    CSshSession &m_session;
    int m_inFd = -1;
    std::atomic<int> m_outFds[2] = {-1, -1};
    std::atomic<long> m_exitCode{StillActive};
    std::atomic<bool> m_completed{false};
    std::atomic<bool> m_killed{false};
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::thread m_waiter;
};
