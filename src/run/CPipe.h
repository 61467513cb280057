#pragma once

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// One anonymous pipe between the editor and a child. The editor's end is
// close-on-exec; the child's end is handed to the child by CProcess.
class CPipe
{
public:
    CPipe();
    // Closes whatever ends are still open and ends the writer.
    virtual ~CPipe();

    CPipe(const CPipe &) = delete;
    CPipe &operator=(const CPipe &) = delete;

    // Creates both ends (close-on-exec). True on success.
    bool CreatePipeEnds();

    // Waits for bytes: up to the poll count probes of 200 ms, returning as soon
    // as bytes are there. Reads at most capacity - 1 bytes and stores a zero
    // byte after them. Returns the number of bytes read, 0 when none came or
    // the read end is closed or at end of data.
    int Read(char *buffer, int capacity);
    // True once the write end has been closed by everyone and all data read.
    bool AtEnd() const { return m_atEnd.load(); }

    // Queues the bytes for the pipe's writer thread and returns at once; the
    // bytes are delivered whole and in order. Always returns 0.
    int Write(const QByteArray &text);
    void Flush() {}
    // Closes the read end, and the write end once every queued byte has been
    // written (at once when nothing is queued). Returns 1.
    int CloseBoth();

    // Closes one end of the pipe now (the editor drops its copy of the
    // child's end once the child has started).
    void CloseReadEnd();
    void CloseWriteEnd();

    int readEnd() const { return m_readEnd.load(); }
    int writeEnd() const { return m_writeEnd.load(); }

    void setPollCount(int count) { m_pollCount = count; }
    int pollCount() const { return m_pollCount; }
    // A reader's stop flag, looked at before every probe: once it is set,
    // Read returns what is in the pipe at that moment, or 0, without waiting.
    void setStopFlag(const std::atomic<bool> *flag) { m_stopFlag = flag; }

private:
    void writerLoop();
    bool writeAll(const QByteArray &chunk);
    // Ends the writer thread, dropping what is still queued.
    void stopWriter();

    int m_pollCount = 20;
    std::atomic<int> m_readEnd{-1};
    std::atomic<int> m_writeEnd{-1};
    std::atomic<bool> m_atEnd{false};
    const std::atomic<bool> *m_stopFlag = nullptr;

    // A read end closed while a Read polls it is closed by that Read.
    std::mutex m_readMutex;
    bool m_readBusy = false;
    std::atomic<bool> m_readClosePending{false};

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QByteArray> m_queue;
    bool m_closeWhenDrained = false;
    bool m_writerBroken = false;
    std::atomic<bool> m_stopWriter{false};
    int m_wakeFd = -1; // eventfd that wakes a writer waiting for room
    std::thread m_writer;
};
