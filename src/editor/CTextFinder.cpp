#include "CTextFinder.h"

#include <Qsci/qsciscintillabase.h>

#include <regex>

namespace {

using Sci = QsciScintillaBase;

unsigned long u(long v)
{
    return static_cast<unsigned long>(v);
}

} // namespace

CTextFinder::CTextFinder(QsciScintillaBase *editor)
    : m_editor(editor)
{
}

bool CTextFinder::isValid(const CSearchOptions &options)
{
    if (!options.regularExpression)
        return true;
    // The editor searches with the standard library's ECMAScript engine,
    // which tells a bad pattern apart from one that does not match only here.
    try {
        std::regex check(options.pattern.toStdString(), std::regex::ECMAScript);
        return true;
    } catch (const std::regex_error &) {
        return false;
    }
}

long CTextFinder::search(const CSearchOptions &options, long from, long to) const
{
    int flags = 0;
    if (options.matchCase)
        flags |= Sci::SCFIND_MATCHCASE;
    if (options.wholeWord)
        flags |= Sci::SCFIND_WHOLEWORD;
    if (options.regularExpression)
        flags |= Sci::SCFIND_REGEXP | Sci::SCFIND_CXX11REGEX;
    const QByteArray pattern = options.pattern.toUtf8();
    m_editor->SendScintilla(Sci::SCI_SETSEARCHFLAGS, u(flags));
    m_editor->SendScintilla(Sci::SCI_SETTARGETRANGE, u(from), to);
    return m_editor->SendScintilla(Sci::SCI_SEARCHINTARGET, u(pattern.size()), pattern.constData());
}

long CTextFinder::targetEnd() const
{
    return m_editor->SendScintilla(Sci::SCI_GETTARGETEND);
}

void CTextFinder::select(long start, long end)
{
    const long line = m_editor->SendScintilla(Sci::SCI_LINEFROMPOSITION, u(start));
    m_editor->SendScintilla(Sci::SCI_ENSUREVISIBLEENFORCEPOLICY, u(line));
    m_editor->SendScintilla(Sci::SCI_SETSEL, u(start), end);
    m_editor->SendScintilla(Sci::SCI_SCROLLRANGE, u(start), end);
    m_editor->SendScintilla(Sci::SCI_CHOOSECARETX);
}

CTextFinder::Result CTextFinder::find(const CSearchOptions &options, bool backwards)
{
    if (options.pattern.isEmpty())
        return NotFound;
    if (!isValid(options))
        return BadPattern;
    const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
    const long selStart = m_editor->SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long selEnd = m_editor->SendScintilla(Sci::SCI_GETSELECTIONEND);
    // An empty match where the caret already stands would be found again and
    // again: such a search starts one character further on.
    const auto step = [&](long from) -> long {
        long at = search(options, from, backwards ? 0 : length);
        if (at >= 0 && at == selStart && targetEnd() == selEnd && selStart == selEnd) {
            const long next = m_editor->SendScintilla(backwards ? Sci::SCI_POSITIONBEFORE : Sci::SCI_POSITIONAFTER,
                                                      u(from));
            if (next == from)
                return -1;
            at = search(options, next, backwards ? 0 : length);
        }
        return at;
    };
    long at = step(backwards ? selStart : selEnd);
    Result result = Found;
    if (at == -1) {
        at = search(options, backwards ? length : 0, backwards ? 0 : length);
        result = FoundAfterWrap;
    }
    if (at == -2)
        return BadPattern;
    if (at < 0)
        return NotFound;
    select(at, targetEnd());
    return result;
}

CTextFinder::Result CTextFinder::replace(const CSearchOptions &options, const QString &replacement, bool backwards)
{
    if (options.pattern.isEmpty())
        return NotFound;
    if (!isValid(options))
        return BadPattern;
    const long selStart = m_editor->SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long selEnd = m_editor->SendScintilla(Sci::SCI_GETSELECTIONEND);
    const long at = search(options, selStart, selEnd);
    if (at == -2)
        return BadPattern;
    if (at == selStart && targetEnd() == selEnd) {
        const QByteArray text = replacement.toUtf8();
        m_editor->SendScintilla(options.regularExpression ? Sci::SCI_REPLACETARGETRE : Sci::SCI_REPLACETARGET,
                                u(text.size()), text.constData());
        // The caret after the new text (before it, searching backwards), so
        // the replacement itself is not searched again.
        const long caret = backwards ? selStart : targetEnd();
        m_editor->SendScintilla(Sci::SCI_SETSEL, u(caret), caret);
    }
    return find(options, backwards);
}

int CTextFinder::replaceAll(const CSearchOptions &options, const QString &replacement)
{
    if (options.pattern.isEmpty())
        return 0;
    if (!isValid(options))
        return -1;
    const QByteArray text = replacement.toUtf8();
    const int message = options.regularExpression ? Sci::SCI_REPLACETARGETRE : Sci::SCI_REPLACETARGET;
    int count = 0;
    long from = 0;
    m_editor->SendScintilla(Sci::SCI_BEGINUNDOACTION);
    for (;;) {
        const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
        const long at = search(options, from, length);
        if (at == -2) {
            count = -1;
            break;
        }
        if (at < 0)
            break;
        const bool empty = targetEnd() == at;
        m_editor->SendScintilla(message, u(text.size()), text.constData());
        ++count;
        from = targetEnd();
        // After an empty match the search goes on one character further.
        if (empty) {
            if (from >= m_editor->SendScintilla(Sci::SCI_GETLENGTH))
                break;
            from = m_editor->SendScintilla(Sci::SCI_POSITIONAFTER, u(from));
        }
    }
    m_editor->SendScintilla(Sci::SCI_ENDUNDOACTION);
    return count;
}

QString CTextFinder::note(Result result, const CSearchOptions &options, bool backwards)
{
    switch (result) {
    case Found:
        return {};
    case FoundAfterWrap:
        return backwards ? QStringLiteral("Passed the start of the script; went on from the end.")
                         : QStringLiteral("Passed the end of the script; went on from the start.");
    case NotFound:
        return QStringLiteral("Cannot find \"%1\".").arg(options.pattern);
    case BadPattern:
        return QStringLiteral("\"%1\" is not a valid regular expression.").arg(options.pattern);
    }
    return {};
}
