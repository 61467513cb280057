#include "CWordIndex.h"

#include <algorithm>
#include <cstring>

bool CWordIndex::isWordByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' || b >= 0x80;
}

template <typename F>
void CWordIndex::forEachWord(const char *data, qsizetype size, F &&fn)
{
    qsizetype i = 0;
    while (i < size) {
        if (!isWordByte(data[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < size && isWordByte(data[i]))
            ++i;
        if (i - start >= kMinimumLength && !(data[start] >= '0' && data[start] <= '9'))
            fn(start, i - start);
    }
}

void CWordIndex::clear()
{
    m_words.clear();
    m_sorted.clear();
    m_sortedValid = true;
}

void CWordIndex::add(const QByteArray &word)
{
    if (word.size() < kMinimumLength)
        return;
    m_words.insert(word);
    m_sortedValid = false;
}

void CWordIndex::addText(const char *data, qsizetype size)
{
    forEachWord(data, size, [&](qsizetype start, qsizetype length) { m_words.insert(QByteArray(data + start, length)); });
    m_sortedValid = false;
}

QList<QByteArray> CWordIndex::complete(const QByteArray &prefix) const
{
    if (!m_sortedValid) {
        m_sorted = QList<QByteArray>(m_words.cbegin(), m_words.cend());
        std::sort(m_sorted.begin(), m_sorted.end());
        m_sortedValid = true;
    }
    QList<QByteArray> found;
    for (auto it = std::lower_bound(m_sorted.cbegin(), m_sorted.cend(), prefix);
         it != m_sorted.cend() && it->startsWith(prefix); ++it) {
        if (it->size() > prefix.size())
            found << *it;
    }
    return found;
}

void CWordIndex::collect(const char *data, qsizetype size, const QByteArray &prefix, QSet<QByteArray> &into)
{
    forEachWord(data, size, [&](qsizetype start, qsizetype length) {
        if (length > prefix.size() && std::memcmp(data + start, prefix.constData(), prefix.size()) == 0)
            into.insert(QByteArray(data + start, length));
    });
}
