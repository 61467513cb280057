#include "COutputBuffer.h"

namespace {

constexpr qsizetype kMaxRunChars = 64 * 1024;

int sequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// Where a cut at `at` or after it leaves whole lines behind: just after the
// next line feed, else `size`.
qsizetype lineCut(const QString &text, qsizetype at)
{
    const qsizetype lf = text.indexOf(u'\n', at);
    return lf < 0 ? text.size() : lf + 1;
}

} // namespace

qsizetype COutputBuffer::CBatch::runChars() const
{
    qsizetype n = 0;
    for (const CTextRun &r : runs)
        n += r.text.size();
    return n;
}

COutputBuffer::COutputBuffer(QObject *parent)
    : QObject(parent)
{
}

COutputBuffer::~COutputBuffer() = default;

void COutputBuffer::setHighWater(qsizetype chars)
{
    std::lock_guard lock(m_mutex);
    m_highWater = chars;
}

void COutputBuffer::setKeepLatest(qsizetype chars)
{
    std::lock_guard lock(m_mutex);
    m_keepLatest = chars;
    m_roomFreed.notify_all();
}

qsizetype COutputBuffer::completeUtf8Prefix(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = size - 1; i >= 0 && i >= size - 4; --i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c & 0xC0) == 0x80)
            continue;   // a continuation byte: look further back for its lead
        return size - i < sequenceLength(c) ? i : size;
    }
    return size;
}

QString COutputBuffer::decode(QByteArrayView bytes, bool atEnd)
{
    if (m_partial.isEmpty() && !atEnd) {
        const qsizetype complete = completeUtf8Prefix(bytes);
        m_partial = QByteArray(bytes.data() + complete, bytes.size() - complete);
        return QString::fromUtf8(bytes.first(complete));
    }
    QByteArray whole = m_partial;
    whole.append(bytes.data(), bytes.size());
    const qsizetype complete = atEnd ? whole.size() : completeUtf8Prefix(whole);
    m_partial = whole.mid(complete);
    whole.truncate(complete);
    return QString::fromUtf8(whole);
}

bool COutputBuffer::appendBytes(QByteArrayView bytes)
{
    const QString text = decode(bytes, false);
    std::lock_guard feed(m_feedMutex);
    m_terminal.feed(text);
    return publish();
}

void COutputBuffer::appendText(const QString &text, bool typed)
{
    std::lock_guard feed(m_feedMutex);
    if (typed)
        m_terminal.feedInput(text);
    else
        m_terminal.feed(text);
    publish();
}

bool COutputBuffer::publish()
{
    QList<CTextRun> runs = m_terminal.takeCommitted();
    const qsizetype from = m_terminal.changedFrom();
    const bool lineChanged = from != CTerminalText::NoChange;
    QList<CTextRun> openLine = lineChanged ? m_terminal.openLine() : QList<CTextRun>();
    m_terminal.clearChanged();

    std::unique_lock lock(m_mutex);
    if (m_aborted)
        return false;
    if (runs.isEmpty() && !lineChanged)
        return true;
    qsizetype chars = 0;
    for (const CTextRun &r : runs)
        chars += r.text.size();
    if (m_keepLatest < 0)
        m_roomFreed.wait(lock, [this] { return m_aborted || m_keepLatest >= 0 || m_pending <= m_highWater; });
    if (m_aborted)
        return false;
    for (CTextRun &run : runs) {
        // Runs stay small, so that dropping and taking never move megabytes under the lock.
        if (!m_runs.empty() && m_runs.back().style == run.style && m_runs.back().text.size() < kMaxRunChars)
            m_runs.back().text += run.text;
        else
            m_runs.push_back(std::move(run));
    }
    m_pending += chars;
    if (m_keepLatest >= 0 && m_pending > m_keepLatest) {
        // Whole lines go, oldest first, until what is left fits.
        while (!m_runs.empty() && m_pending > m_keepLatest) {
            CTextRun &front = m_runs.front();
            const qsizetype over = m_pending - m_keepLatest;
            const qsizetype cut = front.text.size() <= over ? front.text.size() : lineCut(front.text, over - 1);
            m_pending -= cut;
            m_dropped += cut;
            m_droppedTotal += cut;
            if (cut == front.text.size())
                m_runs.pop_front();
            else
                front.text.remove(0, cut);
        }
    }
    // Completed lines make the pane show the open line afresh.
    const qsizetype changed = chars > 0 ? 0 : from;
    m_openLine = std::move(openLine);
    m_openFrom = m_openDirty ? std::min(m_openFrom, changed) : changed;
    m_openDirty = true;
    const bool notify = !m_signalled;
    m_signalled = true;
    lock.unlock();
    if (notify)
        emit textAvailable();
    return true;
}

void COutputBuffer::finish()
{
    // An incomplete character at the very end is decoded as U+FFFD.
    if (!m_partial.isEmpty()) {
        const QString text = decode(QByteArrayView(), true);
        std::lock_guard feed(m_feedMutex);
        m_terminal.feed(text);
        publish();
    }
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    emit finished();
}

COutputBuffer::CBatch COutputBuffer::take(qsizetype maxChars)
{
    std::lock_guard lock(m_mutex);
    CBatch batch;
    batch.dropped = std::exchange(m_dropped, 0);
    qsizetype taken = 0;
    while (!m_runs.empty() && taken < maxChars) {
        CTextRun &front = m_runs.front();
        const qsizetype room = maxChars - taken;
        if (front.text.size() <= room) {
            taken += front.text.size();
            batch.runs.append(std::move(front));
            m_runs.pop_front();
            continue;
        }
        qsizetype cut = room;
        if (front.text.at(cut - 1).isHighSurrogate())
            --cut;   // never split a surrogate pair
        if (cut == 0)
            cut = std::min<qsizetype>(2, front.text.size());
        batch.runs.append({front.text.left(cut), front.style});
        front.text.remove(0, cut);
        taken += cut;
        break;
    }
    m_pending -= taken;
    if (m_runs.empty() && m_openDirty) {
        batch.hasOpenLine = true;
        batch.openFrom = m_openFrom;
        // Only the columns from openFrom on are handed out.
        qsizetype column = 0;
        for (const CTextRun &r : std::as_const(m_openLine)) {
            const qsizetype end = column + r.text.size();
            if (end > m_openFrom)
                batch.openLine.append({r.text.mid(std::max<qsizetype>(0, m_openFrom - column)), r.style});
            column = end;
        }
        m_openDirty = false;
    }
    if (!hasPendingLocked())
        m_signalled = false;
    m_roomFreed.notify_all();
    return batch;
}

qsizetype COutputBuffer::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_pending;
}

bool COutputBuffer::hasPending() const
{
    std::lock_guard lock(m_mutex);
    return hasPendingLocked();
}

bool COutputBuffer::isDrained() const
{
    std::lock_guard lock(m_mutex);
    return m_finished && !hasPendingLocked();
}

void COutputBuffer::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    m_runs.clear();
    m_pending = 0;
    m_openDirty = false;
    m_dropped = 0;
    m_roomFreed.notify_all();
}

void COutputBuffer::restart()
{
    std::scoped_lock both(m_feedMutex, m_mutex);
    m_terminal.takeCommitted();
    m_terminal.clearLine();
    m_terminal.clearChanged();
    m_runs.clear();
    m_pending = 0;
    m_dropped = 0;
    m_openLine.clear();
    m_openFrom = 0;
    m_openDirty = false;
    m_signalled = false;
    m_roomFreed.notify_all();
}

qsizetype COutputBuffer::dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_droppedTotal;
}
