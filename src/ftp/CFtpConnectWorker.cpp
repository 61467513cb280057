#include "CFtpConnectWorker.h"

#include <thread>

void CFtpConnectWorker::start(const std::shared_ptr<CFtpConnectRequest> &request)
{
    auto connection = std::make_unique<CFtpConnection>();
    connection->setConnectTimeout(request->connectTimeout);
    request->attempt = connection.get();
    request->m_bWorkerRunning = true;
    std::thread([request, connection = std::move(connection)]() mutable {
        const QString error = connection->connect(request->host, request->user, request->password, request->port);
        const CPeerIdentity peer = connection->unverifiedPeer();
        bool keep = false;
        {
            std::lock_guard lock(request->mutex);
            request->attempt = nullptr;
            keep = error.isEmpty() && !request->abandoned;
            if (keep)
                request->m_pConnection = std::move(connection);
        }
        // A connection nobody takes is closed and freed before the worker
        // reports that it has finished, so nothing of it outlives the wait.
        connection.reset();
        std::lock_guard lock(request->mutex);
        request->error = error;
        request->peer = peer;
        request->m_bConnected = keep;
        request->m_bWorkerRunning = false;
    }).detach();
}

void CFtpConnectWorker::abandon(CFtpConnectRequest &request)
{
    std::lock_guard lock(request.mutex);
    request.abandoned = true;
    if (request.attempt)
        request.attempt->cancel();
    if (request.m_pConnection)
        request.m_pConnection->close();
}

std::unique_ptr<CFtpConnection> CFtpConnectWorker::take(CFtpConnectRequest &request)
{
    std::lock_guard lock(request.mutex);
    if (request.m_bWorkerRunning)
        return nullptr;
    return std::move(request.m_pConnection);
}
