#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>

// The words of a script, for completion: runs of letters, digits and
// underscores (and the bytes of non-ASCII characters) that do not start with
// a digit and are at least three bytes long. Kept as UTF-8 bytes, compared
// case-sensitively as Perl does.
class CWordIndex
{
public:
    static constexpr int kMinimumLength = 3;
    static bool isWordByte(char c);

    void clear();
    void add(const QByteArray &word);
    // The words of a piece of text; a word cut by either end is taken as it stands.
    void addText(const char *data, qsizetype size);
    qsizetype size() const { return m_words.size(); }

    // Words that start with `prefix` and are longer than it, in byte order.
    QList<QByteArray> complete(const QByteArray &prefix) const;
    // The same for a piece of text, without keeping its words: a quick look
    // at the text around the caret, which an index may not hold yet.
    static void collect(const char *data, qsizetype size, const QByteArray &prefix, QSet<QByteArray> &into);

private:
    // Calls `fn(start, length)` for every word of the text.
    template <typename F>
    static void forEachWord(const char *data, qsizetype size, F &&fn);

    QSet<QByteArray> m_words;
    mutable QList<QByteArray> m_sorted;
    mutable bool m_sortedValid = true;
};
