#include "CWordCompleter.h"

#include "CFunctionsFile.h"

#include <Qsci/qsciscintillabase.h>

#include <QKeyEvent>

#include <algorithm>

namespace {

using Sci = QsciScintillaBase;

// How far before and after the caret each completion looks.
constexpr long kNearby = 16 * 1024;
// Bytes indexed per turn of the event loop.
constexpr long kIndexPiece = 256 * 1024;
// A longer "word" (a line of letters, a base64 blob) is not completed.
constexpr int kLongestPrefix = 64;

unsigned long u(long v)
{
    return static_cast<unsigned long>(v);
}

bool takesChoice(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab;
}

} // namespace

CWordCompleter::CWordCompleter(QsciScintillaBase *editor, const QString &functionsPath, QObject *parent)
    : QObject(parent ? parent : editor)
    , m_editor(editor)
    , m_functionsPath(functionsPath)
{
    m_editor->SendScintilla(Sci::SCI_AUTOCSETIGNORECASE, 0UL);
    m_editor->SendScintilla(Sci::SCI_AUTOCSETMAXHEIGHT, 10UL);
    m_editor->installEventFilter(this);
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIndexDelayMs);
    m_step.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        m_building.clear();
        m_buildPos = 0;
        m_step.start();
    });
    connect(&m_step, &QTimer::timeout, this, &CWordCompleter::indexStep);
    // Content updates arrive without the costly modification notifications.
    connect(m_editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if (updated & Sci::SC_UPDATE_CONTENT)
            m_idle.start();
    });
    connect(m_editor, &QsciScintillaBase::SCN_CHARADDED, this, [this](int ch) {
        if (ch >= 0 && ch < 256 && CWordIndex::isWordByte(static_cast<char>(ch)))
            complete(false);
    });
    m_idle.start();
}

void CWordCompleter::indexStep()
{
    const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
    if (m_buildPos > length)
        m_buildPos = length;
    long end = std::min(length, m_buildPos + kIndexPiece);
    // A piece ends after a word, never inside one.
    while (end < length
           && CWordIndex::isWordByte(static_cast<char>(m_editor->SendScintilla(Sci::SCI_GETCHARAT, u(end)))))
        ++end;
    const char *data
        = reinterpret_cast<const char *>(m_editor->SendScintilla(Sci::SCI_GETRANGEPOINTER, u(m_buildPos), end - m_buildPos));
    m_building.addText(data, end - m_buildPos);
    m_buildPos = end;
    if (end >= length) {
        std::swap(m_index, m_building);
        m_building.clear();
        m_emptyPrefix.clear();
        m_buildPos = -1;
        m_step.stop();
    }
}

void CWordCompleter::readFunctions()
{
    m_functionsRead = true;
    const auto functions = CFunctionsFile::read(m_functionsPath);
    if (!functions)
        return;
    for (const CPerlFunction &f : *functions) {
        const QByteArray name = f.name.toUtf8();
        if (std::all_of(name.cbegin(), name.cend(), CWordIndex::isWordByte))
            m_functions.add(name);
    }
}

QByteArray CWordCompleter::wordBeforeCaret() const
{
    const long caret = m_editor->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long from = std::max(0L, caret - kLongestPrefix - 1);
    const char *data
        = reinterpret_cast<const char *>(m_editor->SendScintilla(Sci::SCI_GETRANGEPOINTER, u(from), caret - from));
    long start = caret - from;
    while (start > 0 && CWordIndex::isWordByte(data[start - 1]))
        --start;
    if (start == 0 && from > 0)
        return {};   // longer than any word worth completing
    QByteArray word(data + start, caret - from - start);
    if (!word.isEmpty() && word[0] >= '0' && word[0] <= '9')
        return {};
    return word;
}

QList<QByteArray> CWordCompleter::candidates(const QByteArray &prefix)
{
    if (!m_functionsRead)
        readFunctions();
    QSet<QByteArray> found;
    for (const QByteArray &w : m_index.complete(prefix))
        found.insert(w);
    for (const QByteArray &w : m_functions.complete(prefix))
        found.insert(w);
    // The text on either side of the caret, read without moving the
    // editor's gap (which sits at the caret while the user types).
    const long caret = m_editor->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
    const long before = std::max(0L, caret - kNearby);
    const long after = std::min(length, caret + kNearby);
    for (const auto &[from, to] : {std::pair{before, caret}, std::pair{caret, after}}) {
        const char *data
            = reinterpret_cast<const char *>(m_editor->SendScintilla(Sci::SCI_GETRANGEPOINTER, u(from), to - from));
        CWordIndex::collect(data, to - from, prefix, found);
    }
    QList<QByteArray> list(found.cbegin(), found.cend());
    std::sort(list.begin(), list.end());
    if (list.size() > kListLimit)
        list.resize(kListLimit);
    return list;
}

bool CWordCompleter::complete(bool forced)
{
    const QByteArray prefix = wordBeforeCaret();
    const long caret = m_editor->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
    const long typed = prefix.size() - m_emptyPrefix.size();
    const bool typedOn = !forced && !m_emptyPrefix.isEmpty() && prefix.startsWith(m_emptyPrefix) && typed > 0
        && caret - m_emptyCaret == typed && length - m_emptyLength == typed;
    const QList<QByteArray> list = !typedOn && prefix.size() >= (forced ? 1 : CWordIndex::kMinimumLength)
        ? candidates(prefix)
        : QList<QByteArray>();
    if (list.isEmpty() && prefix.size() >= CWordIndex::kMinimumLength && !typedOn) {
        m_emptyPrefix = prefix;
        m_emptyCaret = caret;
        m_emptyLength = length;
    }
    if (list.isEmpty()) {
        if (m_editor->SendScintilla(Sci::SCI_AUTOCACTIVE))
            m_editor->SendScintilla(Sci::SCI_AUTOCCANCEL);
        return false;
    }
    const QByteArray joined = list.join(' ');
    m_editor->SendScintilla(Sci::SCI_AUTOCSHOW, u(prefix.size()), joined.constData());
    return true;
}

bool CWordCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (takesChoice(key->key()) && key->modifiers() == Qt::NoModifier
            && m_editor->SendScintilla(Sci::SCI_AUTOCACTIVE)) {
            m_editor->SendScintilla(Sci::SCI_AUTOCCOMPLETE);
            m_swallowedRelease = key->key();
            return true;
        }
    } else if (watched == m_editor && event->type() == QEvent::KeyRelease && m_swallowedRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == m_swallowedRelease && !key->isAutoRepeat()) {
            m_swallowedRelease = 0;
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
