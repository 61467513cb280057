#include "COutputBuffer.h"

namespace {

constexpr char16_t kNulSymbol = 0x2400;

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

} // namespace

COutputBuffer::COutputBuffer(QObject *parent)
    : QObject(parent)
{
}

COutputBuffer::~COutputBuffer() = default;

void COutputBuffer::setLimit(qsizetype maxChars)
{
    std::lock_guard lock(m_mutex);
    m_limit = maxChars;
}

void COutputBuffer::setHighWater(qsizetype chars)
{
    std::lock_guard lock(m_mutex);
    m_highWater = chars;
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
    QByteArray whole = m_partial;
    whole.append(bytes.data(), bytes.size());
    const qsizetype complete = atEnd ? whole.size() : completeUtf8Prefix(whole);
    m_partial = whole.mid(complete);
    whole.truncate(complete);

    const QString raw = QString::fromUtf8(whole);
    QString text;
    text.reserve(raw.size());
    for (const QChar c : raw) {
        if (c == u'\n' && m_lastWasCr) {
            m_lastWasCr = false;   // the LF of a CR LF whose CR came already
            continue;
        }
        m_lastWasCr = c == u'\r';
        if (c == u'\r')
            text += u'\n';
        else if (c.isNull())
            text += QChar(kNulSymbol);
        else
            text += c;
    }
    return text;
}

bool COutputBuffer::appendBytes(QByteArrayView bytes)
{
    return push(decode(bytes, false));
}

bool COutputBuffer::push(QString text)
{
    std::unique_lock lock(m_mutex);
    if (m_aborted)
        return false;
    if (m_limit >= 0) {
        const qsizetype room = std::max<qsizetype>(0, m_limit - m_accepted);
        if (text.size() > room) {
            qsizetype keep = room;
            if (keep > 0 && text.at(keep - 1).isHighSurrogate())
                --keep;
            m_dropped += text.size() - keep;
            text.truncate(keep);
        }
    }
    if (text.isEmpty())
        return true;
    m_roomFreed.wait(lock, [this] { return m_aborted || m_pending <= m_highWater; });
    if (m_aborted)
        return false;
    m_accepted += text.size();
    m_pending += text.size();
    m_chunks.push_back(std::move(text));
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
    if (!m_partial.isEmpty())
        push(decode(QByteArrayView(), true));
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    emit finished();
}

QString COutputBuffer::take(qsizetype maxChars)
{
    std::lock_guard lock(m_mutex);
    QString out;
    while (!m_chunks.empty() && out.size() < maxChars) {
        QString &front = m_chunks.front();
        const qsizetype room = maxChars - out.size();
        if (front.size() <= room) {
            if (out.isEmpty())
                out = std::move(front);
            else
                out += front;
            m_chunks.pop_front();
            continue;
        }
        qsizetype cut = room;
        if (front.at(cut - 1).isHighSurrogate())
            --cut;   // never split a surrogate pair
        if (cut == 0 && out.isEmpty())
            cut = std::min<qsizetype>(2, front.size());
        out += QStringView(front).left(cut);
        front.remove(0, cut);
        break;
    }
    m_pending -= out.size();
    if (m_pending == 0)
        m_signalled = false;
    m_roomFreed.notify_all();
    return out;
}

qsizetype COutputBuffer::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_pending;
}

bool COutputBuffer::isDrained() const
{
    std::lock_guard lock(m_mutex);
    return m_finished && m_pending == 0;
}

void COutputBuffer::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    m_chunks.clear();
    m_pending = 0;
    m_roomFreed.notify_all();
}

void COutputBuffer::restart()
{
    std::lock_guard lock(m_mutex);
    m_chunks.clear();
    m_pending = 0;
    m_accepted = 0;
    m_dropped = 0;
    m_signalled = false;
    m_roomFreed.notify_all();
}

qsizetype COutputBuffer::accepted() const
{
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

qsizetype COutputBuffer::dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}
