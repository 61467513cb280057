#pragma once

class CProcessListener;

// A program that a run's output window shows: a local child, or a command
// running on the server. Its streams come through the run's pipes.
class CRunningProgram
{
public:
    static constexpr long StillActive = 259;
    static constexpr long NoExitCode = -99;

    virtual ~CRunningProgram() = default;

    // StillActive while it runs; then its exit status, 128 + signal after
    // death by a signal, NoExitCode when none can be had.
    virtual long GetExitCode() const = 0;
    virtual bool IsCompleted() const = 0;
    // Stops it; the listener is told once it has ended.
    virtual void Kill() = 0;
    // Starts telling the listener; the argument is not used.
    virtual void StartWaiter(int unused = 0) = 0;
    // Returns once the listener has been told, or will never be.
    virtual void JoinWaiter() = 0;

    // Told once, on a thread of the program's own, that it has ended. Set before StartWaiter.
    CProcessListener *m_pListener = nullptr;
};
