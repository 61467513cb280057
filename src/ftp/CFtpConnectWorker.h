#pragma once

#include "CFtpConnection.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The hand-over record between a connect worker and the command waiting for
// it. Both hold it, so it lives until the later of the two lets go; the
// login values are copied in before the worker starts.
struct CFtpConnectRequest
{
    QString host;
    QString user;
    QString password;
    long port = 0;
    int connectTimeout = 30;

    std::atomic<bool> m_bWorkerRunning{false};
    std::atomic<bool> m_bConnected{false};

    // Written by the worker before it clears m_bWorkerRunning.
    std::unique_ptr<CFtpConnection> m_pConnection;
    QString error;
    CPeerIdentity peer;

    std::mutex mutex;
    bool abandoned = false;
    CFtpConnection *attempt = nullptr;
};

// Opens an FTP connection on a thread of its own.
class CFtpConnectWorker
{
public:
    // Starts the worker; it sets m_bWorkerRunning before this returns.
    static void start(const std::shared_ptr<CFtpConnectRequest> &request);
    // The waiting side gives up: a running attempt is cancelled, and a
    // connection made after this is closed by the worker.
    static void abandon(CFtpConnectRequest &request);
    // Takes the connection once the worker has finished; empty otherwise.
    static std::unique_ptr<CFtpConnection> take(CFtpConnectRequest &request);
};
