#pragma once

#include "CRunningProgram.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/types.h>

class CPipe;
class CProcessListener;

// One child process: program and argument list (never a shell), working
// directory, the three pipes, a waiter thread and the exit code.
class CProcess : public CRunningProgram
{
public:
    CProcess();
    CProcess(const QString &program, const QStringList &arguments);
    // Joins the waiter thread.
    ~CProcess() override;

    CProcess(const CProcess &) = delete;
    CProcess &operator=(const CProcess &) = delete;

    // The child's ends of the pipes become its fds 0, 1 and 2.
    void AttachPipes(CPipe *stdinPipe, CPipe *stdoutPipe, CPipe *stderrPipe);
    // Empty: the child starts in the editor's current folder.
    void SetWorkingDirectory(const QString &directory);
    // Sets one variable of the child's environment, replacing one of that
    // name; an empty name or one holding '=' is skipped.
    void SetEnvironmentValue(const QString &name, const QString &value);
    // The child's whole environment (NAME=VALUE entries) instead of the editor's.
    void setEnvironment(const QStringList &environment);

    // Creates the child in a process group of its own and executes the
    // program. Returns non-zero once the program runs, 0 when it cannot be
    // started (lastError() then holds the errno). After a successful start
    // the editor's copies of the child's pipe ends are closed.
    int Start(int flags = 0);
    // Kept for the calling order of a run; the child already runs.
    void Resume();
    // Starts the waiter thread; the argument is not used.
    void StartWaiter(int unused = 0) override;
    // Waits for the waiter thread to end (after the child has ended or Kill).
    void JoinWaiter() override;

    // 259 while the child has not been reaped; its exit status after a normal
    // exit; 128 + signal after death by a signal; -99 when none can be had.
    long GetExitCode() const override;
    // Kills the child's process group; never signals a child already reaped.
    void Kill() override;
    bool IsCompleted() const override { return m_completed.load(); }

    pid_t pid() const { return m_pid; }
    int lastError() const { return m_lastError; }
    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }

private:
    void waiterLoop();
    // The program's path as it will be executed; empty with `error` set when
    // it cannot be (looked up in PATH when it holds no slash).
    QString resolveProgram(int &error) const;
    // Reaps the child when it has ended (or waits for it); m_reapMutex held.
    void reapLocked(bool block) const;

    QString m_program;
    QStringList m_arguments;
    QString m_workingDirectory;
    std::optional<QStringList> m_environment;
    QStringList m_environmentValues;   // NAME=VALUE, applied over the environment
    CPipe *m_stdin = nullptr;
    CPipe *m_stdout = nullptr;
    CPipe *m_stderr = nullptr;
    bool m_usePipes = false;
    pid_t m_pid = -1;
    int m_lastError = 0;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_completed{false};
    mutable std::atomic<bool> m_reaped{false};
    mutable std::atomic<long> m_exitCode{StillActive};
    // Reaping and Kill exclude each other, so a reaped pid is never signalled.
    mutable std::mutex m_reapMutex;
    std::thread m_waiter;
};
