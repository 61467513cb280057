#pragma once

#include <QFile>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <time.h>

inline double nowSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

inline long rssKiB()
{
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Posts a stamped call to the UI thread every 2 ms and records how long each waited.
class CStallProbe
{
public:
    explicit CStallProbe(QObject *ui)
        : m_ui(ui)
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                const double posted = nowSeconds();
                QMetaObject::invokeMethod(m_ui, [this, posted] {
                    std::lock_guard lock(m_mutex);
                    m_waits.push_back((nowSeconds() - posted) * 1000.0);
                }, Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    std::vector<double> stop()
    {
        m_stop = true;
        m_thread.join();
        std::lock_guard lock(m_mutex);
        std::sort(m_waits.begin(), m_waits.end());
        return m_waits;
    }

private:
    QObject *m_ui;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<double> m_waits;
};

// Prints the worst, 99th-percentile and median wait of sorted samples.
inline void printWaits(const std::vector<double> &waits)
{
    std::printf("  UI thread, posted events:  worst wait %.1f ms, p99 %.1f ms, median %.2f ms (%zu samples)\n",
                waits.empty() ? 0 : waits.back(), waits.empty() ? 0 : waits[size_t(double(waits.size() - 1) * 0.99)],
                waits.empty() ? 0 : waits[waits.size() / 2], waits.size());
}
