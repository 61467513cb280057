#include "CDiagnosticMarks.h"

#include <Qsci/qsciscintilla.h>

#include <QToolTip>

#include <algorithm>

using Sci = QsciScintillaBase;

CDiagnosticMarks::CDiagnosticMarks(QsciScintilla *editor)
    : QObject(editor)
    , m_editor(editor)
{
    const auto indicator = [editor](int number, const QColor &colour) {
        editor->SendScintilla(Sci::SCI_INDICSETSTYLE, number, static_cast<long>(Sci::INDIC_SQUIGGLE));
        editor->SendScintilla(Sci::SCI_INDICSETFORE, number, colour);
    };
    indicator(ErrorIndicator, QColor(0xd0, 0x00, 0x00));
    indicator(WarningIndicator, QColor(0xe0, 0x90, 0x00));
    editor->markerDefine(QsciScintilla::SmallRectangle, ErrorMarker);
    editor->setMarkerBackgroundColor(QColor(0xd0, 0x00, 0x00), ErrorMarker);
    editor->setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), ErrorMarker);
    editor->markerDefine(QsciScintilla::SmallRectangle, WarningMarker);
    editor->setMarkerBackgroundColor(QColor(0xf0, 0xb0, 0x00), WarningMarker);
    editor->setMarkerForegroundColor(QColor(0x90, 0x60, 0x00), WarningMarker);
    editor->setMarginType(SymbolMargin, QsciScintilla::SymbolMargin);
    editor->setMarginMarkerMask(SymbolMargin, (1 << ErrorMarker) | (1 << WarningMarker));
    editor->setMarginWidth(SymbolMargin, 14);
    editor->SendScintilla(Sci::SCI_SETMOUSEDWELLTIME, 400UL);
    connect(editor, &Sci::SCN_DWELLSTART, this, &CDiagnosticMarks::showToolTip);
    connect(editor, &Sci::SCN_DWELLEND, this, [] { QToolTip::hideText(); });
}

void CDiagnosticMarks::show(const QList<CDiagnostic> &diagnostics)
{
    m_diagnostics = diagnostics;
    std::stable_sort(m_diagnostics.begin(), m_diagnostics.end(),
                     [](const CDiagnostic &a, const CDiagnostic &b) { return a.line < b.line; });
    const long length = m_editor->SendScintilla(Sci::SCI_GETLENGTH);
    for (int number : {ErrorIndicator, WarningIndicator}) {
        m_editor->SendScintilla(Sci::SCI_SETINDICATORCURRENT, number);
        m_editor->SendScintilla(Sci::SCI_INDICATORCLEARRANGE, 0UL, length);
    }
    m_editor->markerDeleteAll(ErrorMarker);
    m_editor->markerDeleteAll(WarningMarker);
    const int lines = m_editor->lines();
    for (const CDiagnostic &d : std::as_const(m_diagnostics)) {
        // A message past the end (the text changed since) stands at the last line.
        const int line = std::clamp(d.line, 1, std::max(1, lines)) - 1;
        const bool error = d.severity == CDiagnostic::Error;
        m_editor->markerAdd(line, error ? ErrorMarker : WarningMarker);
        // The squiggle runs from the first non-blank character to the line end.
        const long start = m_editor->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line);
        const long end = m_editor->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
        if (end > start) {
            m_editor->SendScintilla(Sci::SCI_SETINDICATORCURRENT, error ? ErrorIndicator : WarningIndicator);
            m_editor->SendScintilla(Sci::SCI_INDICATORFILLRANGE, start, end - start);
        }
    }
}

QString CDiagnosticMarks::messagesAt(int line) const
{
    QStringList texts;
    for (const CDiagnostic &d : m_diagnostics)
        if (d.line == line)
            texts << d.message;
    return texts.join(QLatin1Char('\n'));
}

const CDiagnostic *CDiagnosticMarks::goToNext(bool forward)
{
    if (m_diagnostics.isEmpty())
        return nullptr;
    int line = 0;
    int column = 0;
    m_editor->getCursorPosition(&line, &column);
    const int caret = line + 1;
    const CDiagnostic *target = nullptr;
    if (forward) {
        const auto it = std::find_if(m_diagnostics.cbegin(), m_diagnostics.cend(),
                                     [caret](const CDiagnostic &d) { return d.line > caret; });
        target = it != m_diagnostics.cend() ? &*it : &m_diagnostics.first();
    } else {
        const auto it = std::find_if(m_diagnostics.crbegin(), m_diagnostics.crend(),
                                     [caret](const CDiagnostic &d) { return d.line < caret; });
        target = it != m_diagnostics.crend() ? &*it : &m_diagnostics.last();
    }
    const int to = std::clamp(target->line, 1, std::max(1, m_editor->lines())) - 1;
    m_editor->setCursorPosition(to, 0);
    m_editor->ensureLineVisible(to);
    return target;
}

void CDiagnosticMarks::showToolTip(int position, int x, int y)
{
    if (position < 0)
        return;
    const int line = static_cast<int>(m_editor->SendScintilla(Sci::SCI_LINEFROMPOSITION, position)) + 1;
    const QString text = messagesAt(line);
    if (!text.isEmpty())
        QToolTip::showText(m_editor->viewport()->mapToGlobal(QPoint(x, y)), text, m_editor);
}
